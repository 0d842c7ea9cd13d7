#pragma once

// The connection to the universe server.
void universe_init();
void universe_update();
void universe_term();
