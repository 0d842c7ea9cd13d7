#pragma once

// World entry and the world server connection.
int world_init();
void world_update();
void world_term();
// The name of the world entered last, or "".
const char* world_current_name();
