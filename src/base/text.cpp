#include "base/text.h"

#include <algorithm>
#include <cctype>

std::string text_lower(std::string_view text)
{
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string_view text_trim(std::string_view text)
{
    size_t a = text.find_first_not_of(" \t\r\n");
    if (a == std::string_view::npos)
        return {};
    return text.substr(a, text.find_last_not_of(" \t\r\n") - a + 1);
}

char text_lower_char(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool text_same(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return text_lower_char(x) == text_lower_char(y); });
}

int text_hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
