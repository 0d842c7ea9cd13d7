#include "assets/image_bmp.h"

#include <cstring>

namespace {

constexpr size_t file_header_bytes = 14;
constexpr size_t info_header_bytes = 40;
constexpr size_t table_bytes = 4 * 256;
constexpr size_t pixel_offset = file_header_bytes + info_header_bytes + table_bytes;

// Little-endian fields.
void put16(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value)
{
    put16(at, value);
    put16(at + 2, value >> 16);
}

}  // namespace

size_t image_bmp_row_bytes(int width)
{
    return (static_cast<size_t>(width) + 3) & ~size_t{3};
}

void image_bmp_start(image_bmp& bmp, int width, int height)
{
    bmp.width = width;
    bmp.height = height;
    bmp.x_resolution = 0;
    bmp.y_resolution = 0;
    std::memset(bmp.table, 0, sizeof bmp.table);
    // Zero-filled, so the padding at the end of each row is written as 0.
    bmp.bytes.assign(pixel_offset + image_bmp_row_bytes(width) * static_cast<size_t>(height), 0);
}

uint8_t* image_bmp_row(image_bmp& bmp, int y)
{
    const size_t stored = static_cast<size_t>(bmp.height - 1 - y);
    return bmp.bytes.data() + pixel_offset + image_bmp_row_bytes(bmp.width) * stored;
}

void image_bmp_finish(image_bmp& bmp)
{
    uint8_t* h = bmp.bytes.data();
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, static_cast<uint32_t>(bmp.bytes.size()));
    // Two reserved words stay 0.
    put32(h + 10, pixel_offset);
    uint8_t* info = h + file_header_bytes;
    put32(info + 0, info_header_bytes);
    put32(info + 4, static_cast<uint32_t>(bmp.width));
    // A positive height: rows are stored bottom-up.
    put32(info + 8, static_cast<uint32_t>(bmp.height));
    put16(info + 12, 1);  // planes
    put16(info + 14, 8);  // bits a pixel
    // Compression 0 and image size 0 stay 0.
    put32(info + 24, static_cast<uint32_t>(bmp.x_resolution));
    put32(info + 28, static_cast<uint32_t>(bmp.y_resolution));
    put32(info + 32, 256);  // colours used
    // Important colours 0 stays 0.
    std::memcpy(info + info_header_bytes, bmp.table, table_bytes);
}

void image_bmp_clear(image_bmp& bmp)
{
    bmp.bytes.clear();
    bmp.bytes.shrink_to_fit();
}
