#pragma once
#include <string>
#include <string_view>

// Reading and editing the text of an INI file with private-profile rules:
// section and key names compare without regard to case, the first section
// and the first key of a name win, values are trimmed and lose one pair of
// enclosing quotes. Every other line of the text is kept as it stands.

// 1 with *value filled when [section] key exists, else 0.
int ini_get(std::string_view text, std::string_view section, std::string_view key,
            std::string* value);

// The text with [section] key set to value: the key's line is replaced, or
// the key is added at the end of its section, or the section is appended.
// Line breaks in the value are replaced by blanks.
std::string ini_put(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view value);
