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
