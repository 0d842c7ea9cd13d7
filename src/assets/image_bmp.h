#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The converter's output: an 8-bit BMP with a 256-entry colour table, built
// in memory as the whole file. The decoder hands rows over top row first
// while the file stores them bottom row first, so each row goes straight
// to its place and the headers are put in front at the end.
struct image_bmp {
    int width = 0;
    int height = 0;
    // Pixels per metre, 0 when unknown.
    int x_resolution = 0;
    int y_resolution = 0;
    // Blue, green, red, 0 for each of the 256 colours.
    uint8_t table[256][4] = {};
    // The file's bytes: room for the headers and the table, then the rows
    // padded to a multiple of 4 bytes, bottom row first.
    std::vector<uint8_t> bytes;
};

// Bytes a stored row takes.
size_t image_bmp_row_bytes(int width);
// Clears the table and makes room for the file of a width x height image.
void image_bmp_start(image_bmp& bmp, int width, int height);
// Where row `y` (0 the top row) is kept.
uint8_t* image_bmp_row(image_bmp& bmp, int y);
// Puts the headers and the table in front of the rows; bmp.bytes is then
// the complete file.
void image_bmp_finish(image_bmp& bmp);
// Frees the file's bytes.
void image_bmp_clear(image_bmp& bmp);
