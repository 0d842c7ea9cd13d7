#pragma once
// Result codes of this server's own, for what the client's dialogs never
// produce: its name field holds 16 characters and its password fields 12,
// and a failing disk is no answer it can act on. The client shows them as
// "(reason N)".
#include <cstdint>

constexpr uint8_t us_result_name_too_long = 110;
constexpr uint8_t us_result_password_too_long = 112;
constexpr uint8_t us_result_unavailable = 114;
