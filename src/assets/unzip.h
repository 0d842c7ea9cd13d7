#pragma once
#include <cstddef>
#include <vector>

// Extracts the file held in a gzip file, or the first member of a zip
// archive (decrypted with the world's object password when it is
// encrypted), held in memory: written to `path` when one is given, and
// handed over in `out` (its former content replaced) when that is given.
// Returns 0 on success, else: 1 not deflated, 2 gzip flags other than a
// name, 3 a bad zip header, 4 wrong or no password, 5 the file cannot be
// created, 6 no memory, 7 corrupt data, 8 neither gzip nor zip, or neither
// a path nor `out`. On failure no file is left at `path` and `out` is
// empty.
int unzip_memory(const unsigned char* data, size_t size, const char* path,
                 std::vector<unsigned char>* out);
