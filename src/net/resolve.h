#pragma once

// Host-name lookup that never blocks the frame loop.
int resolve_init();
void resolve_term();
