#pragma once
#include <cstdint>

// The performance settings read at start-up.

// Reads them for a machine with this much physical memory (bytes); 0 when
// the memory is too small to run.
int perform_init(uint64_t memory);
// The machine's physical memory in bytes.
uint64_t perform_memory();
// Whether several avatar types are shown, and whether avatars animate.
int perform_avatars();
int perform_lifeforms();
