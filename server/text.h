#pragma once
// Small text helpers of the server's configuration files.
#include <string_view>

// The text without blanks, tabs and carriage returns at either end.
inline std::string_view server_text_trim(std::string_view text)
{
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// Calls `line` with each line of a configuration file (without its end of
// line) but the blank ones and those starting with "#". Returns 0, or the
// number (from 1) of the first line `line` refuses by returning false.
template <typename F>
int server_text_each_line(std::string_view text, F line)
{
    int number = 0;
    while (!text.empty()) {
        ++number;
        size_t end = text.find('\n');
        std::string_view current = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!current.empty() && current.back() == '\r')
            current.remove_suffix(1);
        std::string_view trimmed = server_text_trim(current);
        if (trimmed.empty() || trimmed.front() == '#')
            continue;
        if (!line(current))
            return number;
    }
    return 0;
}
