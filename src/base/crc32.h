#pragma once
#include <cstdint>

// The 256-entry CRC-32 table (polynomial 0xEDB88320), shared by the
// scrambler and the keyed hash table.
const uint32_t* crc32_table();

// One step of the CRC-32 register: (crc >> 8) ^ T[(crc ^ byte) & 255].
inline uint32_t crc32_step(uint32_t crc, uint8_t byte)
{
    return (crc >> 8) ^ crc32_table()[(crc ^ byte) & 0xFF];
}
