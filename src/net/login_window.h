#pragma once

// The dialogs of logging in.

struct universe_message;

// The start-up log-in conversation, from the splash to a session as a
// citizen, a tourist or alone: 0 to go on with start-up, other values end
// the program.
int login_init();

// "Enter Vireo as...": 0 logged in, 1 cancelled.
int login_dialog();
// A tourist's name: 0 chosen, 1 cancelled.
int tourist_dialog();
// The citizen attributes dialog: mode 0 immigration, 1 changing one's own.
// 0 done, 1 cancelled.
int immigrate(int mode);
// A one-line question; the text entered (at most 248 characters, in a
// static buffer) or none when cancelled.
const char* input_dialog(const char* title, const char* prompt, const char* text);

// The start-up log-in's result, shown once by the log-in dialog.
void login_window_set_pending(int reason);
// Replies that open dialogs wait for: the citizen's attributes, and the
// answer to a forgotten password.
void login_window_attributes(const universe_message& message);
void login_window_password_sent(const universe_message& message);
