#pragma once

struct rw_texture;

// The texture registry: one entry per texture name of the world. A texture
// is fetched as "<name>.jpg" from the world's textures folder, converted to
// a BMP in memory, made the library's texture, masked when a model asked
// for a mask (a BMP published as "<mask>.zip", unzipped in memory), and
// kept in the texture store so that later sessions skip download and
// conversion. The library's texture lives only
// while something references it; the entry lives until the world is left.
struct texture_entry;

// Runs once, with 0, when the texture is first finished.
using texture_callback = void (*)(void* user, int result);

// The entry of the name (case and extension do not matter), made and
// requested when new. A callback is kept only while the entry is not ready.
texture_entry* texture_download(const char* name, texture_callback callback, void* user);
void texture_set_mask(texture_entry* entry, const char* mask);
// One more, or one less, user: the library's texture is loaded again from
// the store for the first and destroyed after the last.
void texture_reference(texture_entry* entry);
void texture_dereference(texture_entry* entry);
int texture_ready(const texture_entry* entry);
// The library's texture, or none while nobody references it.
rw_texture* texture_get(const texture_entry* entry);
// Whether converted bitmaps (textures and masks) are written to the cache
// folder as well and stay there; a texture's file found there when it is
// first asked for is newer than its stored copy.
void texture_set_keep_files(int keep);
// Leaving a world: every texture and entry goes.
void texture_reset();
