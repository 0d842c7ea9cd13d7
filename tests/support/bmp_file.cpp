#include "support/bmp_file.h"

namespace {

void le(std::string& out, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string bmp_file_24(int width, int height, const std::vector<uint32_t>& pixels)
{
    int row = (width * 3 + 3) / 4 * 4;
    std::string out = "BM";
    le(out, static_cast<uint32_t>(54 + row * height), 4);
    le(out, 0, 4);
    le(out, 54, 4);
    le(out, 40, 4);
    le(out, static_cast<uint32_t>(width), 4);
    le(out, static_cast<uint32_t>(height), 4);
    le(out, 1, 2);
    le(out, 24, 2);
    for (int i = 0; i < 6; ++i)
        le(out, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixels[static_cast<size_t>(y * width + x)];
            out += static_cast<char>(p & 0xFF);
            out += static_cast<char>((p >> 8) & 0xFF);
            out += static_cast<char>((p >> 16) & 0xFF);
        }
        out.append(static_cast<size_t>(row - width * 3), '\0');
    }
    return out;
}
