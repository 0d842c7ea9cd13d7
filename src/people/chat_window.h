#pragma once

// The chat entry line at the foot of the middle column.

// Creates the line; 0 on success.
int chat_init();
// The line's height, for the window layout.
int chat_height();
