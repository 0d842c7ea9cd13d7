#pragma once
#include <cstddef>
#include <cstdint>

// The ZIP format's traditional stream cipher without its encryption header.
// Both operate in place. A null key or a key length of 0 selects the
// built-in default key.
void scramble(const uint8_t* key, size_t key_length, uint8_t* bytes, size_t count);
void unscramble(const uint8_t* key, size_t key_length, uint8_t* bytes, size_t count);
