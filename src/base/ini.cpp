#include "base/ini.h"

#include <cctype>
#include <vector>

namespace {

constexpr std::string_view blanks = " \t\r";

std::string_view trim(std::string_view s)
{
    size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

struct line {
    size_t begin;  // offset of the line's first byte
    size_t end;    // offset just past its line break (or the text's end)
    std::string_view content;  // without the line break
};

// A UTF-8 byte-order mark, which editors may put at the start of the file.
constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

// The lines of the text; a byte-order mark at its start belongs to none.
std::vector<line> split_lines(std::string_view text)
{
    std::vector<line> lines;
    size_t pos = 0;
    if (text.substr(0, byte_order_mark.size()) == byte_order_mark)
        pos = byte_order_mark.size();
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t stop = nl == std::string_view::npos ? text.size() : nl;
        size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        lines.push_back({pos, next, text.substr(pos, stop - pos)});
        pos = next;
    }
    return lines;
}

// The section name of a "[name]" line, or no value.
bool section_header(std::string_view content, std::string_view* name)
{
    std::string_view t = trim(content);
    if (t.size() < 2 || t.front() != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string_view::npos)
        return false;
    *name = trim(t.substr(1, close - 1));
    return true;
}

// The key and value of a "key=value" line. Comment lines have none.
bool key_line(std::string_view content, std::string_view* key, std::string_view* value)
{
    std::string_view t = trim(content);
    if (t.empty() || t.front() == ';' || t.front() == '#')
        return false;
    size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return false;
    *key = trim(t.substr(0, eq));
    *value = trim(t.substr(eq + 1));
    return !key->empty();
}

std::string_view unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

struct location {
    int section = -1;       // index of the section's header line
    int section_end = -1;   // index one past the section's last line
    int key = -1;           // index of the key's line
};

location find(const std::vector<line>& lines, std::string_view section, std::string_view key)
{
    location where;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (section_header(lines[i].content, &name)) {
            if (where.section >= 0) {
                where.section_end = static_cast<int>(i);
                return where;
            }
            if (same_name(name, section))
                where.section = static_cast<int>(i);
            continue;
        }
        if (where.section < 0 || where.key >= 0)
            continue;
        std::string_view k, v;
        if (key_line(lines[i].content, &k, &v) && same_name(k, key))
            where.key = static_cast<int>(i);
    }
    if (where.section >= 0)
        where.section_end = static_cast<int>(lines.size());
    return where;
}

std::string clean_value(std::string_view value)
{
    std::string out(value);
    for (char& c : out) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return out;
}

}  // namespace

int ini_get(std::string_view text, std::string_view section, std::string_view key,
            std::string* value)
{
    std::vector<line> lines = split_lines(text);
    location where = find(lines, section, key);
    if (where.key < 0)
        return 0;
    std::string_view k, v;
    key_line(lines[static_cast<size_t>(where.key)].content, &k, &v);
    value->assign(unquote(v));
    return 1;
}

std::string ini_put(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view value)
{
    const bool crlf = text.find("\r\n") != std::string_view::npos;
    const std::string_view eol = crlf ? "\r\n" : "\n";
    std::vector<line> lines = split_lines(text);
    location where = find(lines, section, key);
    std::string out;
    out.reserve(text.size() + key.size() + value.size() + section.size() + 8);

    if (where.key >= 0) {
        const line& l = lines[static_cast<size_t>(where.key)];
        std::string_view k, v;
        key_line(l.content, &k, &v);
        out.append(text.substr(0, l.begin));
        out.append(k).append("=").append(clean_value(value)).append(eol);
        out.append(text.substr(l.end));
        return out;
    }

    if (where.section >= 0) {
        // After the section's last non-blank line.
        int last = where.section;
        for (int i = where.section + 1; i < where.section_end; ++i) {
            if (!trim(lines[static_cast<size_t>(i)].content).empty())
                last = i;
        }
        const line& l = lines[static_cast<size_t>(last)];
        out.append(text.substr(0, l.end));
        if (l.end == text.size() && !text.empty() && text.back() != '\n')
            out.append(eol);
        out.append(key).append("=").append(clean_value(value)).append(eol);
        out.append(text.substr(l.end));
        return out;
    }

    out.append(text);
    if (!out.empty() && out.back() != '\n')
        out.append(eol);
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(clean_value(value)).append(eol);
    return out;
}
