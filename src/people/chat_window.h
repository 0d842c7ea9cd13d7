#pragma once

// The chat entry line at the foot of the middle column.

// Creates the line; 0 on success.
int chat_init();
// The line's height, for the window layout.
int chat_height();
// Types a character from elsewhere (the 3D window) into the line, as
// if it had been typed there: control characters such as Backspace and
// Enter act as their keys do.
void chat_forward_char(int character);
