#pragma once

// Other people's avatars.
int avatar_init();
void avatar_update();
void avatar_reset();
void avatar_term();
