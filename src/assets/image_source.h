#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

// Feeds a decoder from bytes held in memory, all available at once. The
// decoder never reads past them: where they end it is given an end-of-image
// marker, and a skip stops at the end.

// Makes `source` the decoder's input over `size` bytes at `data`; the bytes
// and `source` must outlive the decode.
void image_source_set(j_decompress_ptr decoder, jpeg_source_mgr* source, const uint8_t* data,
                      size_t size);
