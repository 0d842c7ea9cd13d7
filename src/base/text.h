#pragma once
#include <string>
#include <string_view>

// Small text helpers for names and commands, ASCII rules.

// A copy in lower case.
std::string text_lower(std::string_view text);
// Without blanks, tabs and line ends at either end.
std::string_view text_trim(std::string_view text);
// A character in lower case (ASCII letters only).
char text_lower_char(char c);
// 1 when the texts are the same but for the case of ASCII letters.
bool text_same(std::string_view a, std::string_view b);
// The value of a hexadecimal digit, or -1.
int text_hex_digit(char c);
