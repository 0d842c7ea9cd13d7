#pragma once
#include <cstddef>

// Other people's avatars.
int avatar_init();
void avatar_update();
void avatar_reset();
void avatar_term();

// A message of the universe for this module: its id, result and body.
void avatar_universe_message(int id, int rc, const unsigned char* body, size_t length);
