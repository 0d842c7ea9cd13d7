#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An RGB picture, rows from the top, three bytes a pixel.
struct image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

image image_create(int width, int height);
void image_set(image* picture, int x, int y, float r, float g, float b);

// A baseline JPEG of the picture. Empty on failure.
std::string image_jpeg(const image& picture, int quality);
// An 8-bit BMP with a grey palette (index i is grey level i), bottom-up
// rows as BMP files store them; `grey` holds one byte a pixel, rows from
// the top.
std::string image_grey_bmp(int width, int height, const std::vector<uint8_t>& grey);
