#pragma once

// One dialog in three uses: the splash during start-up (a message, Skip and
// Cancel), the about box (OK), and the upgrade prompt after log-in.

// Shows the splash; 0 on success.
int about_init();
// The splash form (1) or the about box (0).
void about_show(int splash);
void about_set_message(const char* text);
void about_should_upgrade();
void about_must_upgrade();
void about_hide_cancel();
void about_hide_skip();
// Removes the dialog.
void about_hide();

// The button pressed since the answer was last cleared.
enum about_answer_kind { about_none = 0, about_ok = 1, about_skip = 2, about_cancel = 3 };
void about_clear_answer();
int about_answer();
// Called by the dialog's buttons.
void about_answered(int answer);
