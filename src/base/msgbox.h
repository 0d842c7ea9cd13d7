#pragma once

// Every message box of the program goes through here. Under automation
// (and in tests) a box is answered at once with its default button and
// logged as "message box: <title>: <text>", so no run ever waits on one.

enum msgbox_icon { msgbox_none, msgbox_stop, msgbox_warning, msgbox_information,
                   msgbox_question };
enum msgbox_buttons { msgbox_ok, msgbox_ok_cancel, msgbox_yes_no, msgbox_yes_no_cancel };
enum msgbox_answer { msgbox_answer_ok = 1, msgbox_answer_cancel = 2, msgbox_answer_yes = 6,
                     msgbox_answer_no = 7 };

// Shows a modal box through the presenter; returns the button pressed.
// Without a presenter a box answers itself.
int msgbox_show(const char* title, const char* text, int icon, int buttons);

// Boxes answer themselves from now on (scripted runs and tests).
void msgbox_answer_automatically(int on);

// The window that shows a box and waits for its answer, set at start-up.
using msgbox_presenter = int (*)(const char* title, const char* text, int icon, int buttons);
void msgbox_set_presenter(msgbox_presenter presenter);
