#pragma once
#include <cstddef>
#include <cstdint>

// The named colours of object actions, held as 0x00BBGGRR.
int color_init();
// A colour by name (any letter case); else the text's leading hexadecimal
// digits read as RRGGBB; else black.
uint32_t color_by_name(const char* text, size_t length);
// The colour at a position of the alphabetical table, 0 to 31; else black.
uint32_t color_by_index(int index);
