#pragma once
// The rules for citizens' names, passwords and e-mail addresses. Each check
// returns 0 or the result code the client shows a message for.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "results.h"

constexpr size_t us_name_max = 16;
constexpr size_t us_password_max = 12;
constexpr size_t us_email_max = 50;

// 2 to 16 letters, digits and single blanks, not starting or ending with a
// blank.
uint8_t us_validate_name(std::string_view name);
// 4 to 12 characters.
uint8_t us_validate_password(std::string_view password);
// 4 to 12 characters.
uint8_t us_validate_privilege_password(std::string_view password);
// 8 to 50 characters of an address's alphabet, with an "@" and a ".", not
// starting or ending with a blank.
uint8_t us_validate_email(std::string_view email);
