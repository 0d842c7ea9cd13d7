#pragma once
#include <cstddef>

// Telegrams between citizens and their store.
void telegram_update();
void telegram_close();

// A message of the universe for this module: its id, result and body.
void telegram_universe_message(int id, int rc, const unsigned char* body, size_t length);
