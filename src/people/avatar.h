#pragma once

struct universe_message;

// Other people's avatars.
int avatar_init();
void avatar_update();
void avatar_reset();
void avatar_term();
// Drops every avatar; they come again as the world reports them.
void avatar_world_changed();

// A message of the universe for this module.
void avatar_universe_message(const universe_message& message);
// The avatar type the user shows to others.
void avatar_set_own_type(int type);
// Shows (1) or hides (0) other people's avatars; hiding drops their
// current visuals.
void avatar_show_others(int shown);
