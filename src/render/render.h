#pragma once

// The rendering library as a whole.

// Opens the library; debug messages it writes start with `debug_prefix`.
// 0 on success.
int render_open(const char* debug_prefix);
// 1 when the last failure of the library was for want of memory.
int render_out_of_memory();
// Steps every animated texture to its next frame.
void render_textures_advance();
void render_close();
