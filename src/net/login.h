#pragma once
#include <cstdint>

// Logging in to the universe: the log-in request with the privilege
// application, the re-login after every reconnect, and the rules and texts
// the log-in dialogs use.

// Logs in; *number receives the citizen number (0 for a tourist).
int universe_login(const char* name, const char* password, uint32_t* number);
// Logs in again with the current identity (a tourist with an empty name).
int universe_relogin();

// Wrong passwords and names already taken, counted for the whole run; at
// 10, log-in and immigration are refused.
int login_failures();
void login_count_failure();

// The string of a tourist name's first fault, or 0 when it is a good name.
int login_tourist_name_fault(const char* name);
// The text for a failed log-in of this name.
const char* login_failure_text(int reason, const char* name);
// The text for a failed immigration (mode 0) or attribute change (mode 1).
const char* login_immigration_failure_text(int reason, int mode, const char* name);
