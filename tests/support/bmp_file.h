#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The bytes of a 24-bit BMP file, bottom-up, from pixels given top row
// first as 0xRRGGBB.
std::string bmp_file_24(int width, int height, const std::vector<uint32_t>& pixels);
