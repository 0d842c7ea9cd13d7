#pragma once

// The chat entry line at the foot of the middle column.
int chat_init();
void chat_update();
void chat_forward_char(int character);
// The line's height, for the window layout.
int chat_height();
