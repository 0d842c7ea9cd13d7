#pragma once
#include <cstddef>

// Join requests.
void join_update();

// A message of the universe for this module: its id, result and body.
void join_universe_message(int id, int rc, const unsigned char* body, size_t length);
