#pragma once

struct rw_raster;

// A texture: a named raster that clumps draw on their polygons. Textures
// are counted: creating or reading one gives one reference, every polygon
// that shows it holds another, and rw_texture_destroy drops one; the last
// drop frees it. A live texture is found by its name (lower case, cut at
// the first ".").
struct rw_texture;

// A texture made from a raster, which it takes over; none on failure.
rw_texture* rw_texture_create(const char* name, rw_raster* raster);
// The live texture of that name (one more reference), else one read from
// "<name>.bmp" in the texture folder; none on failure.
rw_texture* rw_texture_read_named(const char* name);
// The live texture of that name, without a reference; none when none.
rw_texture* rw_texture_find(const char* name);
void rw_texture_add_reference(rw_texture* texture);
void rw_texture_destroy(rw_texture* texture);

const char* rw_texture_name(const rw_texture* texture);
const rw_raster* rw_texture_raster(const rw_texture* texture);
// Replaces the texture's pixels, so every clump that shows it changes at
// once; takes over the raster. 0 on success.
int rw_texture_set_raster(rw_texture* texture, rw_raster* raster);
// Makes the pixels under the mask's dark pixels transparent. 0 on success.
int rw_texture_mask(rw_texture* texture, const rw_raster* mask);
// 1 when some pixels are transparent (a mask has been applied).
int rw_texture_masked(const rw_texture* texture);
// Raised by every change of the pixels.
unsigned rw_texture_version(const rw_texture* texture);

// An animated texture is N square frames stacked from the top (its height
// N times its width, N > 1). The frame count is 1 for other textures.
int rw_texture_frame_count(const rw_texture* texture);
int rw_texture_frame(const rw_texture* texture);
