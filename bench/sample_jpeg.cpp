#include "sample_jpeg.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

std::vector<uint8_t> make()
{
    constexpr int side = sample_jpeg_side;
    jpeg_compress_struct c{};
    jpeg_error_mgr error{};
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = side;
    c.image_height = side;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 75, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(side * 3);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            double wave = 0.5 + 0.5 * std::sin(x * 0.11) * std::cos(y * 0.07);
            row[x * 3] = static_cast<uint8_t>(x * wave);
            row[x * 3 + 1] = static_cast<uint8_t>(y * (1 - wave) + 40 * wave);
            row[x * 3 + 2] = static_cast<uint8_t>(255 * wave);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> result(out, out + size);
    std::free(out);
    return result;
}

}  // namespace

const std::vector<uint8_t>& sample_jpeg()
{
    static const std::vector<uint8_t> bytes = make();
    return bytes;
}
