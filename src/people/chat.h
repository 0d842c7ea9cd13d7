#pragma once

// The chat entry line.
int chat_init();
void chat_update();
void chat_forward_char(int character);
