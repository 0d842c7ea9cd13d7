#include "image.h"

#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bytes.h"

image image_create(int width, int height)
{
    image picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
    return picture;
}

namespace {

uint8_t channel(float v)
{
    return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}

}  // namespace

void image_set(image* picture, int x, int y, float r, float g, float b)
{
    size_t at = (static_cast<size_t>(y) * static_cast<size_t>(picture->width) +
                 static_cast<size_t>(x)) * 3;
    picture->rgb[at] = channel(r);
    picture->rgb[at + 1] = channel(g);
    picture->rgb[at + 2] = channel(b);
}

std::string image_jpeg(const image& picture, int quality)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(picture.width);
    c.image_height = static_cast<JDIMENSION>(picture.height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            picture.rgb.data() + static_cast<size_t>(c.next_scanline) *
                                     static_cast<size_t>(picture.width) * 3);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

std::string image_grey_bmp(int width, int height, const std::vector<uint8_t>& grey)
{
    const uint32_t stride = (static_cast<uint32_t>(width) + 3) & ~3u;
    const uint32_t offset = 14 + 40 + 256 * 4;
    const uint32_t pixels = stride * static_cast<uint32_t>(height);
    std::string out;
    out.reserve(offset + pixels);
    out += "BM";
    put32(&out, offset + pixels);
    put32(&out, 0);
    put32(&out, offset);
    put32(&out, 40);
    put32(&out, static_cast<uint32_t>(width));
    put32(&out, static_cast<uint32_t>(height));
    put16(&out, 1);
    put16(&out, 8);
    put32(&out, 0);
    put32(&out, pixels);
    put32(&out, 2835);
    put32(&out, 2835);
    put32(&out, 256);
    put32(&out, 0);
    for (unsigned i = 0; i < 256; ++i) {
        for (int k = 0; k < 3; ++k)
            out.push_back(static_cast<char>(i));
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = grey.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        out.append(reinterpret_cast<const char*>(row), static_cast<size_t>(width));
        out.append(stride - static_cast<uint32_t>(width), '\0');
    }
    return out;
}
