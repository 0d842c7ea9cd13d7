#include "presence/coords.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct token {
    enum kind { number, word, plus, minus } type;
    double value = 0;
    std::string text;
};

// The tokens of the action language that places use: numbers (a digit or
// a point followed by a digit starts one), signs, and words.
std::vector<token> scan(const char* text)
{
    std::vector<token> tokens;
    const char* p = text;
    while (*p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (std::isspace(c) || c == ',' || c == ';') {
            ++p;
        } else if (c == '+' || c == '-') {
            tokens.push_back({c == '+' ? token::plus : token::minus, 0, {}});
            ++p;
        } else if (std::isdigit(c) || (c == '.' && std::isdigit(static_cast<unsigned char>(p[1])))) {
            const char* q = p;
            bool point = false;
            while (std::isdigit(static_cast<unsigned char>(*q)) ||
                   (*q == '.' && !point && std::isdigit(static_cast<unsigned char>(q[1])))) {
                point = point || *q == '.';
                ++q;
            }
            double v = std::strtod(std::string(p, q).c_str(), nullptr);
            tokens.push_back({token::number, v, {}});
            p = q;
        } else {
            const char* q = p;
            while (*q && !std::isspace(static_cast<unsigned char>(*q)) && *q != ',' && *q != ';')
                ++q;
            tokens.push_back({token::word, 0, std::string(p, q)});
            p = q;
        }
    }
    return tokens;
}

bool starts_with(const token& t, char letter)
{
    return t.type == token::word && !t.text.empty() &&
           std::tolower(static_cast<unsigned char>(t.text[0])) == letter;
}

}  // namespace

int coords_parse(const char* text, const place& here, place* out)
{
    std::vector<token> t = scan(text ? text : "");
    size_t i = 0;
    // One number, with its sign; relative when a sign stands before it.
    auto read = [&](double* value, bool* relative) {
        *relative = false;
        double sign = 1;
        if (i < t.size() && (t[i].type == token::plus || t[i].type == token::minus)) {
            *relative = true;
            sign = t[i].type == token::minus ? -1 : 1;
            ++i;
        }
        if (i >= t.size() || t[i].type != token::number)
            return false;
        *value = sign * t[i++].value;
        return true;
    };
    double ns, ew;
    bool relative, r;
    if (!read(&ns, &relative))
        return 0;
    place p = here;
    if (relative) {
        if (!read(&ew, &r) || !r)
            return 0;
        p.z = here.z + ns;
        p.x = here.x + ew;
    } else {
        if (i >= t.size() || !(starts_with(t[i], 'n') || starts_with(t[i], 's')))
            return 0;
        p.z = starts_with(t[i++], 's') ? -ns : ns;
        if (!read(&ew, &r) || r)
            return 0;
        if (i >= t.size() || !(starts_with(t[i], 'e') || starts_with(t[i], 'w')))
            return 0;
        p.x = starts_with(t[i++], 'e') ? -ew : ew;
        p.y = 0.1;
        p.yaw = 0;
    }
    double v;
    if (i < t.size()) {
        if (!read(&v, &r) || r != relative)
            return 0;
        if (i < t.size() && t[i].type == token::word) {
            if (!starts_with(t[i++], 'a'))
                return 0;
            p.y = relative ? here.y + v : v;
            if (i < t.size()) {
                if (!read(&v, &r) || r != relative)
                    return 0;
                p.yaw = static_cast<float>(relative ? here.yaw + v : v);
            }
        } else {
            p.yaw = static_cast<float>(relative ? here.yaw + v : v);
        }
    }
    if (i != t.size())
        return 0;
    *out = p;
    return 1;
}

const char* coords_format(const place& p)
{
    static char text[96];
    double yaw = std::fmod(p.yaw, 360.0);
    if (yaw < 0)
        yaw += 360;
    std::snprintf(text, sizeof text, "%.1f%c %.1f%c %.1fa %.0f", std::fabs(p.z),
                  p.z >= 0 ? 'N' : 'S', std::fabs(p.x), p.x >= 0 ? 'W' : 'E', p.y, yaw);
    return text;
}
