#pragma once
#include <cstddef>

// The object properties window.
void pdialog_init();

// A message of the universe for this module: its id, result and body.
void pdialog_universe_message(int id, int rc, const unsigned char* body, size_t length);
