#include "http_wire.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::array<const char*, 7> day_names = {"Sun", "Mon", "Tue", "Wed",
                                                  "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> month_names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 7> long_day_names = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_text(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// The characters of a token (method, header name).
bool is_token_char(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || is_digit(c))
        return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool is_token(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (!is_token_char(c))
            return false;
    }
    return true;
}

// Visible characters, blank, tab and bytes of 0x80 and above.
bool is_field_value(std::string_view text)
{
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 ? c != '\t' : u == 0x7F)
            return false;
    }
    return true;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

int hex_value(char c)
{
    if (is_digit(c))
        return c - '0';
    c = lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t year_of_era = year - era * 400;
    int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

void civil_from_days(int64_t days, int64_t* year, int* month, int* day)
{
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t day_of_era = days - era * 146097;
    int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    int64_t mp = (5 * day_of_year + 2) / 153;
    *day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
    *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = year_of_era + era * 400 + (*month <= 2 ? 1 : 0);
}

// Reads exactly `digits` decimal digits from the front of `text`.
bool take_number(std::string_view* text, size_t digits, int* value)
{
    if (text->size() < digits)
        return false;
    *value = 0;
    for (size_t i = 0; i < digits; ++i) {
        if (!is_digit((*text)[i]))
            return false;
        *value = *value * 10 + ((*text)[i] - '0');
    }
    text->remove_prefix(digits);
    return true;
}

bool take(std::string_view* text, std::string_view expected)
{
    if (!text->starts_with(expected))
        return false;
    text->remove_prefix(expected.size());
    return true;
}

bool take_month(std::string_view* text, int* month)
{
    for (size_t i = 0; i < month_names.size(); ++i) {
        if (take(text, month_names[i])) {
            *month = static_cast<int>(i) + 1;
            return true;
        }
    }
    return false;
}

// "08:49:37"
bool take_time(std::string_view* text, int* hour, int* minute, int* second)
{
    return take_number(text, 2, hour) && take(text, ":") && take_number(text, 2, minute) &&
        take(text, ":") && take_number(text, 2, second) && *hour < 24 && *minute < 60 &&
        *second < 60;
}

bool valid_day(int64_t year, int month, int day)
{
    static constexpr std::array<int, 12> lengths = {31, 29, 31, 30, 31, 30,
                                                    31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day >= 1 && day <= lengths[static_cast<size_t>(month - 1)] &&
        (month != 2 || day <= 28 || leap);
}

const char* reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Internal Server Error";
    }
}

// The target of the request line: a path ("/a/b?q"), or an absolute URL
// ("http://host:port/a/b?q", as proxies send it) whose path is kept.
int read_target(std::string_view target, hs_request* request)
{
    for (char c : target) {
        auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '#')
            return 400;
    }
    if (size_t mark = target.find('?'); mark != std::string_view::npos) {
        request->has_query = true;
        request->query = target.substr(mark + 1);
        target = target.substr(0, mark);
    }
    if (target.size() >= 7 && same_text(target.substr(0, 7), "http://")) {
        size_t slash = target.find('/', 7);
        request->path = slash == std::string_view::npos ? "/" : target.substr(slash);
    } else if (target.starts_with('/')) {
        request->path = target;
    } else {
        return 400;
    }
    return 0;
}

int read_request_line(std::string_view line, hs_request* request)
{
    size_t first = line.find(' ');
    size_t last = line.rfind(' ');
    if (first == std::string_view::npos || first == last)
        return 400;
    std::string_view method = line.substr(0, first);
    std::string_view target = line.substr(first + 1, last - first - 1);
    std::string_view version = line.substr(last + 1);
    if (!is_token(method) || target.empty())
        return 400;
    request->method = method == "GET" ? hs_method_get
        : method == "HEAD"            ? hs_method_head
                                      : hs_method_other;
    if (version.size() != 8 || !version.starts_with("HTTP/") || !is_digit(version[5]) ||
        version[6] != '.' || !is_digit(version[7]))
        return 400;
    if (version[5] != '1')
        return 505;
    request->minor_version = version[7] - '0';
    request->keep_alive = request->minor_version >= 1;
    return read_target(target, request);
}

int read_header(std::string_view line, hs_request* request, bool* has_length,
                uint64_t* length)
{
    size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return 400;
    std::string_view name = line.substr(0, colon);
    std::string_view value = line.substr(colon + 1);
    if (!is_token(name) || !is_field_value(value))
        return 400;
    value = trim(value);
    if (same_text(name, "Host")) {
        if (request->has_host)
            return 400;
        request->has_host = true;
    } else if (same_text(name, "Connection")) {
        while (!value.empty()) {
            size_t comma = value.find(',');
            if (same_text(trim(value.substr(0, comma)), "close"))
                request->keep_alive = false;
            value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        }
    } else if (same_text(name, "If-Modified-Since")) {
        request->if_modified_since = value;
    } else if (same_text(name, "Content-Length")) {
        uint64_t n = 0;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (value.empty() || !is_digit(value[0]) || ec != std::errc() ||
            end != value.data() + value.size() || (*has_length && n != *length))
            return 400;
        *has_length = true;
        *length = n;
        request->has_body = request->has_body || n != 0;
    } else if (same_text(name, "Transfer-Encoding")) {
        request->has_body = true;
    }
    return 0;
}

}  // namespace

int hs_request_parse(const char* data, size_t size, hs_request* request, size_t* used)
{
    *request = hs_request{};
    std::string_view text(data, size);
    // Blank lines before a request are skipped, as clients may send them
    // after the body of an earlier one.
    size_t at = 0;
    while (at < text.size() && at < hs_line_max && (text[at] == '\r' || text[at] == '\n'))
        ++at;
    bool first = true;
    bool has_length = false;
    uint64_t length = 0;
    size_t headers = 0;
    for (;;) {
        size_t end = text.find('\n', at);
        size_t limit = first ? hs_line_max : hs_head_max;
        if (end == std::string_view::npos) {
            if (text.size() - at > limit || text.size() > hs_head_max)
                return first ? 414 : 431;
            return hs_parse_more;
        }
        if (first ? end - at > hs_line_max : end + 1 > hs_head_max)
            return first ? 414 : 431;
        std::string_view line = text.substr(at, end - at);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.find('\r') != std::string_view::npos || line.find('\0') != std::string_view::npos)
            return 400;
        at = end + 1;
        if (first) {
            if (int status = read_request_line(line, request))
                return status;
            first = false;
            continue;
        }
        if (line.empty())
            break;
        // A header line continued on the next line (obsolete folding) is
        // refused rather than guessed at.
        if (line.front() == ' ' || line.front() == '\t')
            return 400;
        if (++headers > hs_header_count_max)
            return 431;
        if (int status = read_header(line, request, &has_length, &length))
            return status;
    }
    if (request->minor_version >= 1 && !request->has_host)
        return 400;
    *used = at;
    return hs_parse_done;
}

int hs_path_resolve(std::string_view path, std::string* relative)
{
    relative->clear();
    std::string segment;
    bool hidden = false;
    auto finish = [&]() {
        if (segment == "." || segment == "..")
            return 400;
        if (!segment.empty()) {
            hidden = hidden || segment.front() == '.';
            if (!relative->empty())
                relative->push_back('/');
            relative->append(segment);
        }
        segment.clear();
        return 0;
    };
    for (size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (c == '/') {
            if (int status = finish())
                return status;
            continue;
        }
        if (c == '%') {
            if (i + 2 >= path.size())
                return 400;
            int high = hex_value(path[i + 1]), low = hex_value(path[i + 2]);
            if (high < 0 || low < 0)
                return 400;
            c = static_cast<char>(high * 16 + low);
            i += 2;
            if (c == '\0' || c == '/')
                return 400;
        }
        if (c == '\\' || c == '\0')
            return 400;
        segment.push_back(c);
    }
    if (int status = finish())
        return status;
    return hidden ? 404 : 0;
}

std::string hs_date_format(int64_t seconds)
{
    int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    int64_t in_day = seconds - days * 86400;
    int64_t year = 0;
    int month = 0, day = 0;
    civil_from_days(days, &year, &month, &day);
    int64_t weekday = ((days % 7) + 11) % 7;  // 1970-01-01 was a Thursday
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04lld %02d:%02d:%02d GMT",
                  day_names[static_cast<size_t>(weekday)], day,
                  month_names[static_cast<size_t>(month - 1)], static_cast<long long>(year),
                  static_cast<int>(in_day / 3600), static_cast<int>(in_day / 60 % 60),
                  static_cast<int>(in_day % 60));
    return text;
}

int hs_date_parse(std::string_view text, int64_t* seconds)
{
    int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
    bool read = false;
    std::string_view t = text;
    if (t.size() > 4 && t[3] == ',') {
        // Sun, 06 Nov 1994 08:49:37 GMT
        t.remove_prefix(4);
        read = take(&t, " ") && take_number(&t, 2, &day) && take(&t, " ") &&
            take_month(&t, &month) && take(&t, " ") && take_number(&t, 4, &year) &&
            take(&t, " ") && take_time(&t, &hour, &minute, &second) && take(&t, " GMT") &&
            t.empty();
    } else if (size_t comma = t.find(','); comma != std::string_view::npos) {
        // Sunday, 06-Nov-94 08:49:37 GMT; two-digit years below 70 are taken
        // as this century's.
        bool named = false;
        for (const char* name : long_day_names)
            named = named || t.substr(0, comma) == name;
        t.remove_prefix(comma + 1);
        read = named && take(&t, " ") && take_number(&t, 2, &day) && take(&t, "-") &&
            take_month(&t, &month) && take(&t, "-") && take_number(&t, 2, &year) &&
            take(&t, " ") && take_time(&t, &hour, &minute, &second) && take(&t, " GMT") &&
            t.empty();
        year += year < 70 ? 2000 : 1900;
    } else {
        // Sun Nov  6 08:49:37 1994
        bool named = false;
        for (const char* name : day_names)
            named = named || take(&t, name);
        read = named && take(&t, " ") && take_month(&t, &month) && take(&t, " ");
        if (read && take(&t, " "))
            read = take_number(&t, 1, &day);
        else
            read = read && take_number(&t, 2, &day);
        read = read && take(&t, " ") && take_time(&t, &hour, &minute, &second) &&
            take(&t, " ") && take_number(&t, 4, &year) && t.empty();
    }
    if (!read || !valid_day(year, month, day))
        return 1;
    *seconds = days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return 0;
}

const char* hs_content_type(std::string_view name)
{
    static constexpr std::array<std::pair<std::string_view, const char*>, 17> types = {{
        {".html", "text/html"},
        {".htm", "text/html"},
        {".txt", "text/plain"},
        {".css", "text/css"},
        {".js", "text/javascript"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},
        {".png", "image/png"},
        {".bmp", "image/bmp"},
        {".zip", "application/zip"},
        {".gz", "application/gzip"},
        {".wav", "audio/wav"},
        {".mid", "audio/midi"},
        {".midi", "audio/midi"},
        {".rwx", "text/plain"},
        {".wrl", "model/vrml"},
    }};
    size_t dot = name.rfind('.');
    size_t slash = name.rfind('/');
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
        for (const auto& [extension, type] : types) {
            if (same_text(name.substr(dot), extension))
                return type;
        }
    }
    return "application/octet-stream";
}

int hs_teleport_line(std::string_view query, std::string* line)
{
    if (query.empty())
        return 1;
    line->assign("teleport ");
    for (char c : query)
        line->push_back(c == '_' ? ' ' : c);
    return 0;
}

std::string hs_response_head(const hs_response& response, int64_t now)
{
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
        reason(response.status) + "\r\n";
    head += "Date: " + hs_date_format(now) + "\r\n";
    head += "Server: vireo-server\r\n";
    if (response.status == 405)
        head += "Allow: GET, HEAD\r\n";
    if (response.last_modified >= 0)
        head += "Last-Modified: " + hs_date_format(response.last_modified) + "\r\n";
    if (response.content_type)
        head += std::string("Content-Type: ") + response.content_type + "\r\n";
    head += "Content-Length: " + std::to_string(response.content_length) + "\r\n";
    if (response.close)
        head += "Connection: close\r\n";
    head += "\r\n";
    return head;
}
