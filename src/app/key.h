#pragma once

// Key state by Windows virtual-key code (0..255; larger codes are ignored).
// A press is remembered until it is queried, so a key pressed and released
// between two frames still counts once.
void key_down(int code);
void key_up(int code);
// 1 (clearing the press mark) when the key was pressed since the last
// query, else whether it is held.
int key_query(int code);
void key_clear();
// Whether the key is held now (the press mark stays).
int key_held(int code);
