#pragma once
#include <cstddef>
#include <cstdint>

// Logging in to the universe: the start-up conversation, the log-in,
// tourist and citizen-attribute dialogs, the privilege application, and
// the re-login after every reconnect.

// The start-up log-in: 0 to go on with start-up, other values end the
// program.
int login_init();
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

// Replies for the dialogs: attributes (3), password e-mail (4), citizen
// names (8) and numbers (12).
void login_universe_message(int id, int rc, const unsigned char* body, size_t length);
