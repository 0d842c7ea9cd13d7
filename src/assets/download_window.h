#pragma once

// The Downloads window: the three running transfers, a line each.
void download_window_init(int shown);
void download_window_show(int shown);
int download_window_visible();
// Paints the transfer lines anew (each frame while shown).
void download_window_repaint();
void download_window_term();
