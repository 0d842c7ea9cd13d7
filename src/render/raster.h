#pragma once
#include <cstddef>
#include <cstdint>

// A raster: an image of RGBA pixels (4 bytes a pixel, in the order red,
// green, blue, alpha), rows from the top.
struct rw_raster;

// A raster of this size, all pixels 0; none when the size is not positive
// or too large (more than 4096 on a side).
rw_raster* rw_raster_create(int width, int height);
rw_raster* rw_raster_duplicate(const rw_raster* raster);
void rw_raster_destroy(rw_raster* raster);

int rw_raster_width(const rw_raster* raster);
int rw_raster_height(const rw_raster* raster);
// Bits a pixel: always 32.
int rw_raster_depth(const rw_raster* raster);
uint8_t* rw_raster_pixels(rw_raster* raster);
const uint8_t* rw_raster_pixels(const rw_raster* raster);

// A BMP file's bytes as a raster (1, 4, 8, 16, 24 and 32 bits a pixel,
// uncompressed, run-length encoded or with bit fields, bottom-up or
// top-down); none when the bytes are not such a file. Opaque: alpha is 255.
rw_raster* rw_raster_read_bmp(const void* data, size_t size);

// A BMP by path (when it holds a "/"), or by bare name (cut at its first
// ".") as "<name>.bmp" from the texture folder; none on failure.
rw_raster* rw_raster_read(const char* path_or_name);
// A mask BMP by bare name, as rw_raster_read finds one; none on failure.
rw_raster* rw_raster_read_mask(const char* name);

// Makes the raster's pixels transparent (alpha 0) where the mask is darker
// than half grey and opaque (255) elsewhere; a mask of another size is
// scaled to the raster (nearest pixel).
void rw_raster_apply_mask(rw_raster* raster, const rw_raster* mask);
