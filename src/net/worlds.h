#pragma once
#include <cstddef>

// The list of running worlds.
void worlds_update();

// A message of the universe for this module: its id, result and body.
void worlds_universe_message(int id, int rc, const unsigned char* body, size_t length);
