#pragma once

// Selecting objects for building.
void pick_init();
void pick_update();
void pick_reset();
