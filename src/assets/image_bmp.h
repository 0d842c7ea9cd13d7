#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// The converter's output: an 8-bit BMP with a 256-entry colour table. The
// decoder hands rows over top row first while the file stores them bottom
// row first, so the pixels are gathered here and written at the end.
struct image_bmp {
    int width = 0;
    int height = 0;
    // Pixels per metre, 0 when unknown.
    int x_resolution = 0;
    int y_resolution = 0;
    // Blue, green, red, 0 for each of the 256 colours.
    uint8_t table[256][4] = {};
    // Rows padded to a multiple of 4 bytes, bottom row first.
    std::vector<uint8_t> pixels;
};

// Bytes a stored row takes.
size_t image_bmp_row_bytes(int width);
// Clears the table and makes room for the rows of a width x height image.
void image_bmp_start(image_bmp& bmp, int width, int height);
// Where row `y` (0 the top row) is kept.
uint8_t* image_bmp_row(image_bmp& bmp, int y);
// Writes the file's bytes; the file's size, or -1 when writing failed.
long image_bmp_write(const image_bmp& bmp, FILE* file);
// Frees the rows.
void image_bmp_clear(image_bmp& bmp);
