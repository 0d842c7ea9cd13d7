#pragma once

// The message box as a modal Qt dialog: the presenter of base/msgbox.h.
// Returns the button pressed as a msgbox_answer.
int msgbox_dialog_show(const char* title, const char* text, int icon, int buttons);
