#include "behavior/color.h"

#include <iterator>
#include <string_view>

#include "base/text.h"

namespace {

struct named_color {
    const char* name;
    uint32_t rgb;  // 0xRRGGBB
};

// In alphabetical order: positions are part of the table's meaning.
constexpr named_color colors[] = {
    {"aquamarine", 0x70DB93}, {"black", 0x000000},    {"blue", 0x0000FF},
    {"brass", 0xB5A642},      {"bronze", 0x8C7853},   {"brown", 0xA62A2A},
    {"copper", 0xB87333},     {"cyan", 0x00FFFF},     {"darkgrey", 0x303030},
    {"forestgreen", 0x238E23}, {"gold", 0xCD7F32},    {"green", 0x00FF00},
    {"grey", 0x707070},       {"lightgrey", 0xC0C0C0}, {"magenta", 0xFF00FF},
    {"maroon", 0x8E236B},     {"navyblue", 0x23238E}, {"orange", 0xFF7F00},
    {"orangered", 0xFF2400},  {"orchid", 0xDB70DB},   {"pink", 0xFF6EC7},
    {"red", 0xFF0000},        {"salmon", 0x6F4242},   {"scarlet", 0x8C1717},
    {"silver", 0xE6E8FA},     {"skyblue", 0x3299CC},  {"tan", 0xDB9370},
    {"teal", 0x007070},       {"turquoise", 0xADEAEA}, {"violet", 0x4F2F4F},
    {"white", 0xFFFFFF},      {"yellow", 0xFFFF00},
};
static_assert(std::size(colors) == 32);

uint32_t bgr(uint32_t rgb)
{
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
}

}  // namespace

int color_init()
{
    return 0;
}

uint32_t color_by_name(const char* text, size_t length)
{
    for (const named_color& c : colors) {
        if (text_same(c.name, std::string_view(text, length)))
            return bgr(c.rgb);
    }
    uint32_t rgb = 0;
    for (size_t i = 0; i < length && text_hex_digit(text[i]) >= 0; ++i)
        rgb = ((rgb << 4) | static_cast<uint32_t>(text_hex_digit(text[i]))) & 0xFFFFFF;
    return bgr(rgb);
}

uint32_t color_by_index(int index)
{
    return index >= 0 && index < static_cast<int>(std::size(colors))
               ? bgr(colors[static_cast<size_t>(index)].rgb)
               : 0;
}
