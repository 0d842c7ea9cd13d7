#pragma once

struct universe_message;

// Join requests.
void join_update();

// A message of the universe for this module.
void join_universe_message(const universe_message& message);
