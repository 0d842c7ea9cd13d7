#pragma once
#include <cstdint>

// The frame clock: the system's tick count read once at the start of each
// frame, so that all of one frame's work sees the same time.

// The frame clock in milliseconds.
uint32_t tick_get();
// Reads the system clock into the frame clock (the frame's first task; also
// run once at start-up).
void tick_update();
