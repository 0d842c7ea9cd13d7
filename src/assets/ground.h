#pragma once

struct rw_clump;

// The ground under the world: a model moved along under the user, cell by
// cell. An empty name clears it.
void ground_set(const char* name, int length);
void ground_update();
void ground_clear();
// The ground's clump, or none; 1 when its full model is shown.
rw_clump* ground_clump();
int ground_ready();
