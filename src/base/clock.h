#pragma once
#include <cstdint>

// The system's millisecond tick count: monotonic, 32 bits, wrapping.
// Everything that reads the system clock goes through here so that tests
// can drive time.
uint32_t clock_ms();

// Replaces the clock's source; nullptr restores the system clock.
using clock_source = uint32_t (*)();
void clock_set_source(clock_source source);
