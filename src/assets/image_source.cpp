#include "assets/image_source.h"

#include <algorithm>

#include <jerror.h>

namespace {

// What a decoder reads once the bytes are used up: an end-of-image marker,
// as often as it asks.
const JOCTET end_of_image[2] = {0xFF, JPEG_EOI};

void init_source(j_decompress_ptr)
{
}

// Called only when every byte has been read: the data ended early.
boolean fill_input_buffer(j_decompress_ptr decoder)
{
    WARNMS(decoder, JWRN_JPEG_EOF);
    decoder->src->next_input_byte = end_of_image;
    decoder->src->bytes_in_buffer = sizeof end_of_image;
    return TRUE;
}

// A skip never passes the end: one past it lands there, and the next read
// gets the marker.
void skip_input_data(j_decompress_ptr decoder, long count)
{
    jpeg_source_mgr* source = decoder->src;
    if (count <= 0)
        return;
    size_t step = std::min(static_cast<size_t>(count), source->bytes_in_buffer);
    source->next_input_byte += step;
    source->bytes_in_buffer -= step;
}

void term_source(j_decompress_ptr)
{
}

}  // namespace

void image_source_set(j_decompress_ptr decoder, jpeg_source_mgr* source, const uint8_t* data,
                      size_t size)
{
    source->init_source = init_source;
    source->fill_input_buffer = fill_input_buffer;
    source->skip_input_data = skip_input_data;
    source->resync_to_restart = jpeg_resync_to_restart;
    source->term_source = term_source;
    source->next_input_byte = data;
    source->bytes_in_buffer = size;
    decoder->src = source;
}
