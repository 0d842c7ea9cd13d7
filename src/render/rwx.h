#pragma once
#include <cstddef>

struct rw_clump;

// Reads an RWX model (a file, or its bytes) into a clump hierarchy; none
// when it cannot be read or holds no model. Textures named by the model
// are taken from the live textures or the texture folder.
rw_clump* rw_rwx_read_file(const char* path);
rw_clump* rw_rwx_read(const char* text, size_t size);
