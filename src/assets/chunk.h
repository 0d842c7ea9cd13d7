#pragma once
#include <cstddef>
#include <cstdint>

struct rw_clump;
struct rw_texture;

// Converted models and textures kept as records of the model and texture
// stores in the download directory, so that later sessions load them
// without parsing or converting. Keys are a name and an optional second
// name, padded with blanks to 32 bytes.

enum chunk_result {
    chunk_stored = 0,
    chunk_no_clump = 1,
    chunk_stream_not_opened = 2,
    chunk_not_written = 3,
    chunk_stream_not_closed = 4,
    chunk_key_too_large = 5,
    chunk_no_memory = 6,
};

// Stores the clump with the header (destroying the clump).
int chunk_create(rw_clump* clump, const void* header, size_t header_length, const char* name,
                 const char* second_name);
// A copy of a record's header for the caller to free with free(); 1 when
// there is one.
int chunk_header(const char* name, const char* second_name, uint8_t** header, size_t* length);
// The stored clump, or none (a record that cannot be read is deleted).
rw_clump* chunk_load(const char* name, const char* second_name);
void chunk_delete(const char* name, const char* second_name);
int chunk_exists(const char* name, const char* second_name);

// Textures by name; 1 when stored.
int chunk_save_texture(rw_texture* texture, const char* name);
rw_texture* chunk_load_texture(const char* name);
void chunk_delete_texture(const char* name);
// The same form in a file of its own (converted pictures).
int chunk_save_texture_to_file(rw_texture* texture, const char* path);
rw_texture* chunk_load_texture_from_file(const char* path);

// Closes the stores and opens those of the current download directory.
void chunk_reset();
void chunk_term();
