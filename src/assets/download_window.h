#pragma once

// The Downloads window: the three running transfers, a line each.

// Opens the window when [show] downloads says so, and checks its command.
void download_window_init();
// Shows or hides the window (its command), remembering the choice.
void download_toggle();
void download_window_show(int shown);
int download_window_visible();
// Paints the transfer lines anew (each frame while shown).
void download_window_repaint();
void download_window_term();
