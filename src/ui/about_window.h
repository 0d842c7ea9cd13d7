#pragma once

// The about dialog's window (602).
void about_window_create();
void about_window_show();
void about_window_hide();
void about_window_destroy();
void about_window_message(const char* text);
// Which of OK, Skip and Cancel are shown.
void about_window_buttons(int ok, int skip, int cancel);
void about_window_hide_button(int answer);
