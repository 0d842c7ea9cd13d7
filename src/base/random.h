#pragma once
#include <cstdint>

// The program's one source of pseudo-random numbers, seeded at start-up.
void random_seed(uint32_t seed);
uint32_t random_next();
