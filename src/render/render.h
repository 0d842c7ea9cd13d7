#pragma once

// The rendering library as a whole. Every public name of the library
// starts with rw_; the library includes nothing from the rest of the
// program and no Qt.

// Opens the library in the current OpenGL context (3.3 core or later);
// debug messages it writes start with `debug_prefix`. 0 on success.
int rw_open(const char* debug_prefix);
void rw_close();

// Why the last creating or reading call gave none.
enum rw_error_code {
    rw_error_none = 0,
    rw_error_memory = 1,      // out of memory
    rw_error_file = 2,        // a file could not be opened or read
    rw_error_format = 3,      // the bytes are not of the expected format
    rw_error_argument = 4,    // an argument is out of range
};
int rw_error();
void rw_set_error(int code);

// The folder in which textures, rasters and masks named by a bare name are
// found (as "<name>.bmp", without regard to case).
void rw_set_texture_folder(const char* folder);
// The path of "<name>.<extension>" in the texture folder (found without
// regard to case), or "" when there is no such file.
const char* rw_texture_folder_path(const char* name, const char* extension);

// Steps every animated texture to its next frame.
void rw_textures_advance();

// A count raised by every change to what a camera would draw: clumps
// placed, moved, posed, re-textured or selected, scenes and their light,
// cameras and their backdrops, texture pixels and frames. A picture drawn
// at one count is still right while the count stays the same.
unsigned rw_changes();
