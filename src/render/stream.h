#pragma once
#include <cstddef>
#include <cstdint>

struct rw_clump;
struct rw_texture;

// Streams: clumps and textures in the library's binary form, in memory or
// in a file. Each object is one chunk: a 32-bit type, a 32-bit payload
// length and a 32-bit version, then the payload, in the machine's byte
// order. Reading a clump from its chunk is far cheaper than reading its
// RWX text.
constexpr uint32_t rw_chunk_clump = 0x434C554D;    // 'CLUM'
constexpr uint32_t rw_chunk_texture = 0x54455855;  // 'TEXU'

struct rw_stream;

// A stream that collects what is written, in memory.
rw_stream* rw_stream_open_memory();
// A stream over bytes that the caller keeps until it is closed.
rw_stream* rw_stream_open_memory_read(const void* data, size_t size);
// A file stream: read at once when opened for reading, written when closed
// after writing. None when the file cannot be read.
rw_stream* rw_stream_open_file(const char* path, int write);
// Closes the stream (writing a file stream's bytes); 0 on success.
int rw_stream_close(rw_stream* stream);
// The bytes written so far.
const uint8_t* rw_stream_data(const rw_stream* stream, size_t* size);

// Appends the chunk of a clump and its hierarchy, or of a texture. 0 on
// success.
int rw_stream_write_clump(rw_stream* stream, const rw_clump* clump);
int rw_stream_write_texture(rw_stream* stream, const rw_texture* texture);
// Reads the next chunk as a clump or a texture; none when it is of another
// type, truncated or inconsistent.
rw_clump* rw_stream_read_clump(rw_stream* stream);
rw_texture* rw_stream_read_texture(rw_stream* stream);
