#pragma once
#include <string>
#include <string_view>

// Small text helpers for names and commands, ASCII rules.

// A copy in lower case.
std::string text_lower(std::string_view text);
// Without blanks, tabs and line ends at either end.
std::string_view text_trim(std::string_view text);
