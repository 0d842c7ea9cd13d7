#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// File helpers for the cache tree. Paths known to exist are remembered, so
// that a file the program made is looked up on disk once.

// 1 when the file exists.
int file_exists(const char* path);
// 0 when the file was deleted, 1 when it could not be, also when the
// program holds it open.
int file_delete(const char* path);
// Writes the bytes as the file: 0 done, 1 cannot create, 3 short write (no
// partial file is left).
int file_store(const char* path, const void* bytes, size_t length);
// Reads the whole file into a buffer the caller frees with free(): 0 done,
// 1 cannot open, 2 read failure (nothing is handed out).
int file_read(const char* path, uint8_t** buffer, size_t* length);
// Sets the file's times to now: a use keeps the file in the cache.
void file_touch(const char* path);
// One file name from a URL or object path: each of  " * / : ; < > ? \ |
// becomes "-", everything else lower case.
std::string file_name_from_url(const char* text);
// The path without everything from its first full stop, in a static buffer.
const char* file_basename(const char* path);
// Forgets the paths known to exist.
void file_term();
