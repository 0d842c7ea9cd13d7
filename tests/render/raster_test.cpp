#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "render/raster.h"
#include "render/render.h"
#include "support/temp_dir.h"

namespace {

using bytes = std::vector<uint8_t>;
using colors = std::vector<uint32_t>;
using raster_ptr = std::unique_ptr<rw_raster, decltype(&rw_raster_destroy)>;

// Pixels as 0xRRGGBBAA: black, red, green, blue, white, teal, sand.
constexpr uint32_t K = 0x000000ff, R = 0xff0000ff, G = 0x00ff00ff, B = 0x0000ffff;
constexpr uint32_t W = 0xffffffff, T = 0x123456ff, S = 0xa0b0c0ff;

// What a BMP file's headers say, and the pixel data after them.
struct bmp {
    int32_t width = 1, height = 1;
    int bits = 24;
    uint32_t compression = 0;
    colors palette = {};
    colors masks = {};  // red, green, blue
    bytes data = {};
    uint32_t info_size = 40;  // 12: the core header
    uint32_t colors_used = 0;
};

void le(bytes& out, uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

bytes encode(const bmp& f)
{
    const bool core = f.info_size == 12;
    const size_t masks_after = f.info_size == 40 ? f.masks.size() * 4 : 0;
    const size_t offset = 14 + f.info_size + masks_after + f.palette.size() * (core ? 3 : 4);
    bytes out{'B', 'M'};
    le(out, offset + f.data.size(), 4);
    le(out, 0, 4);
    le(out, offset, 4);
    le(out, f.info_size, 4);
    le(out, static_cast<uint32_t>(f.width), core ? 2 : 4);
    le(out, static_cast<uint32_t>(f.height), core ? 2 : 4);
    le(out, 1, 2);
    le(out, f.bits, 2);
    if (!core) {
        for (uint64_t v : {uint64_t{f.compression}, uint64_t{f.data.size()}, uint64_t{2835},
                           uint64_t{2835}, uint64_t{f.colors_used}, uint64_t{0}})
            le(out, v, 4);
        for (uint32_t mask : f.masks)
            le(out, mask, 4);
        out.resize(14 + f.info_size + masks_after, 0);
    }
    for (uint32_t c : f.palette)
        le(out, c >> 8, core ? 3 : 4);
    out.insert(out.end(), f.data.begin(), f.data.end());
    return out;
}

// Rows as stored, each padded to 4 bytes with junk that must not show.
bytes rows(const std::vector<bytes>& list)
{
    bytes out;
    for (const bytes& row : list) {
        out.insert(out.end(), row.begin(), row.end());
        while (out.size() % 4)
            out.push_back(0xee);
    }
    return out;
}

// 24-bit pixels, stored blue, green, red.
bytes bgr(const colors& list)
{
    bytes out;
    for (uint32_t c : list)
        le(out, c >> 8, 3);
    return out;
}

raster_ptr hold(rw_raster* raster)
{
    return raster_ptr(raster, rw_raster_destroy);
}

raster_ptr read(const bytes& file)
{
    return hold(rw_raster_read_bmp(file.data(), file.size()));
}

// Top row first.
colors pixels_of(const rw_raster* raster)
{
    colors out;
    const uint8_t* p = rw_raster_pixels(raster);
    for (int i = 0; i < rw_raster_width(raster) * rw_raster_height(raster); ++i, p += 4)
        out.push_back(uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
    return out;
}

raster_ptr filled(int width, const colors& list)
{
    raster_ptr raster = hold(rw_raster_create(width, static_cast<int>(list.size()) / width));
    uint8_t* p = rw_raster_pixels(raster.get());
    for (uint32_t c : list)
        for (int shift : {24, 16, 8, 0})
            *p++ = static_cast<uint8_t>(c >> shift);
    return raster;
}

void expect_image(const bytes& file, int width, const colors& expected)
{
    raster_ptr raster = read(file);
    ASSERT_NE(raster, nullptr);
    EXPECT_EQ(rw_raster_width(raster.get()), width);
    EXPECT_EQ(rw_raster_height(raster.get()), static_cast<int>(expected.size()) / width);
    EXPECT_EQ(pixels_of(raster.get()), expected);
}

void expect_refused(const bytes& file)
{
    rw_set_error(rw_error_none);
    EXPECT_EQ(read(file), nullptr);
    EXPECT_EQ(rw_error(), rw_error_format);
}

bmp flipped(bmp f)
{
    f.height = -f.height;
    return f;
}

}  // namespace

TEST(raster, create_duplicate_and_size_limits)
{
    raster_ptr raster = hold(rw_raster_create(3, 2));
    ASSERT_NE(raster, nullptr);
    EXPECT_EQ(rw_raster_depth(raster.get()), 32);
    EXPECT_EQ(pixels_of(raster.get()), colors(6, 0));
    EXPECT_NE(hold(rw_raster_create(4096, 1)), nullptr);
    const std::pair<int, int> refused[] = {{0, 1}, {1, 0}, {-1, 5}, {5, INT_MIN}, {4097, 1},
                                           {1, 4097}, {4097, 4096}};
    for (auto [width, height] : refused) {
        rw_set_error(rw_error_none);
        EXPECT_EQ(hold(rw_raster_create(width, height)), nullptr) << width << "x" << height;
        EXPECT_EQ(rw_error(), rw_error_argument);
    }

    raster_ptr original = filled(2, {R, B});
    raster_ptr copy = hold(rw_raster_duplicate(original.get()));
    rw_raster_pixels(original.get())[0] = 0;
    EXPECT_EQ(pixels_of(copy.get()), (colors{R, B}));
    EXPECT_EQ(rw_raster_duplicate(nullptr), nullptr);
    rw_raster_destroy(nullptr);
    EXPECT_EQ(rw_raster_width(nullptr), 0);
}

TEST(raster_bmp, palettes_of_8_4_and_1_bits)
{
    // Three colours used of the four stored: indices 3 and 200 are black.
    const bmp eight{.width = 3, .height = 2, .bits = 8, .palette = {R, G, B, W},
                    .data = rows({{0, 1, 2}, {3, 200, 1}}), .colors_used = 3};
    expect_image(encode(eight), 3, {K, K, G, R, G, B});
    expect_image(encode(flipped(eight)), 3, {R, G, B, K, K, G});

    // Four entries and the pixels right after them: indices 4 and 15 are black.
    const bmp four{.width = 6, .height = -1, .bits = 4, .palette = {R, G, B, W},
                   .data = rows({{0x12, 0x3f, 0x04}})};
    expect_image(encode(four), 6, {G, B, W, K, R, K});

    // The unused low bits of each row's last byte are set and must not show.
    const bmp one{.width = 10, .height = 2, .bits = 1, .palette = {T, S},
                  .data = rows({{0b10110011, 0b10111111}, {0b01001100, 0b01111111}})};
    expect_image(encode(one), 10, {T, S, T, T, S, S, T, T, T, S, S, T, S, S, T, T, S, S, S, T});
}

TEST(raster_bmp, rgb_24_rows_are_padded_for_odd_widths)
{
    const bmp three{.width = 3, .height = 2, .data = rows({bgr({R, G, B}), bgr({W, T, S})})};
    expect_image(encode(three), 3, {W, T, S, R, G, B});
    expect_image(encode(flipped(three)), 3, {R, G, B, W, T, S});
    const bmp five{.width = 5, .height = 2, .data = rows({bgr({R, G, B, W, T}), bgr({S, K, R, R, B})})};
    expect_image(encode(five), 5, {S, K, R, R, B, R, G, B, W, T});
    expect_image(encode(flipped(five)), 5, {R, G, B, W, T, S, K, R, R, B});
}

TEST(raster_bmp, sixteen_and_thirty_two_bits)
{
    // The fourth byte of a 32-bit pixel is not alpha.
    const bmp rgb32{.width = 2, .height = 2, .bits = 32,
                    .data = {0x56, 0x34, 0x12, 0x00, 0xc0, 0xb0, 0xa0, 0x80,
                             0xff, 0x00, 0x00, 0x7f, 0x00, 0xff, 0x00, 0xff}};
    expect_image(encode(rgb32), 2, {B, G, T, S});

    // 5-5-5: 16 of 31 scales to 132; the top bit belongs to no colour.
    bytes row;
    for (uint32_t pixel : {0x7c00, 0x03e0, 0x001f, 0x4210, 0x8000})
        le(row, pixel, 2);
    expect_image(encode({.width = 5, .bits = 16, .data = rows({row})}), 5,
                 {R, G, B, 0x848484ff, K});

    // 5-6-5 masks after the header: 32 of 63 scales to 130.
    row.clear();
    for (uint32_t pixel : {0xf800, 0x07e0, 0x0400})
        le(row, pixel, 2);
    expect_image(encode({.width = 3, .bits = 16, .compression = 3, .masks = {0xf800, 0x07e0, 0x001f},
                         .data = rows({row})}),
                 3, {R, G, 0x008200ff});

    // Masks inside a 124-byte header, in an unusual order, one of 10 bits.
    expect_image(encode({.width = 2, .bits = 32, .compression = 3,
                         .masks = {0x000000ff, 0x0000ff00, 0x3ff00000},
                         .data = {0x12, 0x34, 0xf0, 0x3f, 0xff, 0x00, 0x00, 0x20}, .info_size = 124}),
                 2, {0x1234ffff, 0xff0080ff});
}

TEST(raster_bmp, core_header_and_larger_headers)
{
    // Three-byte palette entries; index 5 is beyond the palette.
    expect_image(encode({.width = 2, .height = 2, .bits = 8, .palette = {T, S, R},
                         .data = rows({{0, 1}, {2, 5}}), .info_size = 12}),
                 2, {R, K, T, S});
    expect_image(encode({.width = 2, .height = 2, .data = rows({bgr({R, G}), bgr({B, W})}),
                         .info_size = 12}),
                 2, {B, W, R, G});
    expect_image(encode({.height = -2, .data = rows({bgr({T}), bgr({S})}), .info_size = 108}), 1,
                 {T, S});
}

namespace {

bytes rle8(int width, int height, const bytes& stream)
{
    return encode({.width = width, .height = height, .bits = 8, .compression = 1,
                   .palette = {R, G, B, W}, .data = stream});
}

}  // namespace

TEST(raster_bmp_rle, rle8_runs_line_ends_and_deltas)
{
    expect_image(rle8(6, 3, {0x03, 0x00, 0x00, 0x03, 0x01, 0x02, 0x01, 0x00, 0x00, 0x00,  // bottom
                             0x02, 0x02, 0x00, 0x00,                                      // short
                             0x00, 0x04, 0x03, 0x03, 0x03, 0x03, 0x02, 0x01, 0x00, 0x01}),
                 6, {W, W, W, W, G, G, B, B, K, K, K, K, R, R, R, G, B, G});
    // A delta of two right and one up.
    expect_image(rle8(4, 3, {0x01, 0x00, 0x00, 0x02, 0x02, 0x01, 0x01, 0x01, 0x00, 0x00, 0x04, 0x02,
                             0x00, 0x01}),
                 4, {B, B, B, B, K, K, K, G, R, K, K, K});
}

TEST(raster_bmp_rle, rle4_runs_alternate_nibbles)
{
    const bmp four{.width = 8, .height = 2, .bits = 4, .compression = 2, .palette = {K, R, G, B, W, T},
                   .data = {0x05, 0x12, 0x00, 0x03, 0x34, 0x50, 0x00, 0x00,                  // bottom
                            0x00, 0x05, 0x12, 0x34, 0x50, 0x00, 0x03, 0x55, 0x00, 0x01}};  // top
    expect_image(encode(four), 8, {R, G, B, W, T, T, T, T, R, G, R, G, R, B, W, T});
}

TEST(raster_bmp_rle, leaving_the_row_or_image_is_refused_and_a_short_stream_leaves_black)
{
    for (const bytes& stream : std::vector<bytes>{
             {0x05, 0x00}, {0x02, 0x00, 0x03, 0x00},           // encoded runs past the row
             {0x00, 0x05, 0x00, 0x01, 0x02, 0x03, 0x00, 0x00},  // absolute run past the row
             {0x00, 0x02, 0x05, 0x00}, {0x00, 0x02, 0x00, 0x03},  // deltas past row and image
             {0x00, 0x00, 0x00, 0x00, 0x01, 0x00},            // a run below the last row
             {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}) {         // a line end below it
        SCOPED_TRACE(stream.size());
        expect_refused(rle8(4, 2, stream));
    }
    expect_image(rle8(4, 2, {0x00, 0x02, 0x04, 0x02, 0x00, 0x01}), 4, colors(8, K));

    // Cut inside a pair, without an end mark, inside an absolute run.
    expect_image(rle8(3, 2, {0x03, 0x01, 0x00, 0x00, 0x02}), 3, {K, K, K, G, G, G});
    expect_image(rle8(3, 2, {0x03, 0x01}), 3, {K, K, K, G, G, G});
    expect_image(rle8(4, 2, {0x01, 0x01, 0x00, 0x03, 0x01, 0x01}), 4, {K, K, K, K, G, K, K, K});

    // A large image needs a stream that can describe it, at most 255
    // pixels for two bytes: 4096 x 32 pixels in runs of 255 read, in a few
    // bytes they are refused.
    bytes row;
    for (int x = 0; x < 4096; x += 255)
        row.insert(row.end(), {static_cast<uint8_t>(std::min(255, 4096 - x)), 0x02});
    row.insert(row.end(), {0x00, 0x00});
    bytes stream;
    for (int y = 0; y < 32; ++y)
        stream.insert(stream.end(), row.begin(), row.end());
    raster_ptr striped = read(rle8(4096, 32, stream));
    ASSERT_NE(striped, nullptr);
    EXPECT_EQ(pixels_of(striped.get())[4095], B);
    expect_refused(rle8(4096, 32, bytes(stream.begin(), stream.begin() + 400)));
}

TEST(raster_bmp_invalid, every_cut_of_a_file_is_refused_or_read_safely)
{
    const std::vector<bytes> uncompressed = {
        encode({.width = 3, .height = 2, .bits = 8, .palette = {R, G, B},
                .data = rows({{0, 1, 2}, {2, 1, 0}})}),
        encode({.width = 3, .height = 2, .bits = 1, .palette = {R, G}, .data = rows({{0xa0}, {0x40}})}),
        encode({.width = 3, .height = 2, .bits = 4, .palette = {R, G},
                .data = rows({{0x01, 0x10}, {0x10, 0x00}})}),
        encode({.width = 3, .height = -2, .data = rows({bgr({R, G, B}), bgr({T, S, W})})}),
        encode({.width = 3, .height = 2, .bits = 16, .compression = 3, .masks = {0xf800, 0x07e0, 0x001f},
                .data = rows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}})}),
        encode({.width = 2, .height = 2, .bits = 8, .palette = {T, S}, .data = rows({{0, 1}, {1, 0}}),
                .info_size = 12}),
    };
    for (const bytes& file : uncompressed) {
        // Only the padding of the last row may be missing.
        size_t needed = file.size();
        while (file[needed - 1] == 0xee)
            --needed;
        EXPECT_NE(read(file), nullptr);
        EXPECT_NE(read(bytes(file.begin(), file.begin() + static_cast<long>(needed))), nullptr);
        for (size_t cut = 0; cut < needed; ++cut)
            expect_refused(bytes(file.begin(), file.begin() + static_cast<long>(cut)));
    }

    // Cut in the headers an RLE file is refused; cut in its stream it
    // reads with black where the stream stopped.
    const bytes rle = rle8(6, 3, {0x03, 0x00, 0x00, 0x03, 0x01, 0x02, 0x01, 0x00, 0x00, 0x00, 0x02, 0x02,
                                  0x00, 0x02, 0x01, 0x01, 0x01, 0x03, 0x00, 0x01});
    const size_t stream_start = 14 + 40 + 4 * 4;
    for (size_t cut = 0; cut < rle.size(); ++cut) {
        const bytes part(rle.begin(), rle.begin() + static_cast<long>(cut));
        if (cut < stream_start) {
            expect_refused(part);
            continue;
        }
        raster_ptr raster = read(part);
        ASSERT_NE(raster, nullptr) << cut;
        EXPECT_EQ(rw_raster_width(raster.get()) * rw_raster_height(raster.get()), 18);
    }
}

TEST(raster_bmp_invalid, absurd_sizes_and_broken_headers_are_refused)
{
    // The last is allowed, but its pixels are missing.
    const std::pair<int32_t, int32_t> sizes[] = {
        {4097, 1}, {1, 4097}, {1, -4097}, {8198, 7936}, {4097, -4097}, {0, 1}, {1, 0},
        {-4, 1}, {1, INT32_MIN}, {INT32_MIN, 1}, {INT32_MAX, INT32_MAX}, {4096, 4096}};
    for (int bits : {1, 8, 24, 32}) {
        for (auto [width, height] : sizes)
            expect_refused(
                encode({.width = width, .height = height, .bits = bits, .data = {1, 2, 3, 4}}));
    }

    const bytes good = encode({.width = 2, .bits = 8, .palette = {R, G}, .data = rows({{0, 1}})});
    ASSERT_NE(read(good), nullptr);
    auto changed = [&](size_t at, std::initializer_list<uint8_t> values) {
        bytes out = good;
        for (uint8_t value : values)
            out.at(at++) = value;
        return out;
    };
    expect_refused(changed(0, {'X'}));
    expect_refused(changed(14, {20}));                   // no such info header
    expect_refused(changed(14, {0x00, 0x01}));           // info header past the end
    expect_refused(changed(10, {0xff}));                 // pixels past the end
    expect_refused(changed(10, {0x00, 0x00, 0x00, 0x80}));
    expect_refused(changed(10, {0x20}));                 // pixels inside the headers
    for (uint8_t bits : {0, 2, 7, 64})
        expect_refused(changed(28, {bits}));
    for (uint8_t compression : {2, 3, 4})                // RLE4, masks, JPEG of 8 bits
        expect_refused(changed(30, {compression}));
    // Run-length encoding of the wrong depths, with a stream that would read.
    const std::pair<int, uint32_t> unencodable[] = {{24, 1}, {4, 1}, {1, 1}, {1, 2}};
    for (auto [bits, compression] : unencodable)
        expect_refused(encode({.bits = bits, .compression = compression, .data = {0, 1, 0, 0}}));
    expect_refused(encode({.bits = 32, .data = {1, 2, 3, 4}, .info_size = 12}));
    expect_refused(encode({.bits = 32, .compression = 3, .masks = {0xff}, .data = {1, 2, 3, 4}}));
    EXPECT_EQ(rw_raster_read_bmp(nullptr, good.size()), nullptr);
}

namespace {

class raster_file : public ::testing::Test {
protected:
    void TearDown() override { rw_set_texture_folder(nullptr); }

    void write(const std::string& name) const
    {
        const bytes file = encode({.width = 2, .data = rows({bgr({T, S})})});
        dir.write(name, std::string(file.begin(), file.end()));
    }

    static void expect_error(rw_raster* raster, int error)
    {
        EXPECT_EQ(hold(raster), nullptr);
        EXPECT_EQ(rw_error(), error);
        rw_set_error(rw_error_none);
    }

    temp_dir dir;
};

}  // namespace

TEST_F(raster_file, reads_by_path_and_by_bare_name_in_any_case)
{
    write("Brick.BMP");
    EXPECT_EQ(pixels_of(hold(rw_raster_read(dir.file("Brick.BMP").c_str())).get()), (colors{T, S}));
    expect_error(rw_raster_read("brick"), rw_error_file);  // no texture folder yet
    rw_set_texture_folder(dir.path().c_str());
    EXPECT_EQ(pixels_of(hold(rw_raster_read("brick")).get()), (colors{T, S}));
    // A bare name loses any extension of its own.
    for (const char* name : {"brick", "brick.jpg", "BRICK.bmp.zip"}) {
        EXPECT_EQ(pixels_of(hold(rw_raster_read(name)).get()), (colors{T, S})) << name;
        EXPECT_EQ(pixels_of(hold(rw_raster_read_mask(name)).get()), (colors{T, S})) << name;
    }
}

TEST_F(raster_file, missing_and_unreadable_files)
{
    rw_set_texture_folder(dir.path().c_str());
    expect_error(rw_raster_read(dir.file("none.bmp").c_str()), rw_error_file);
    expect_error(rw_raster_read("none"), rw_error_file);
    expect_error(rw_raster_read_mask("none.bmp"), rw_error_file);
    std::filesystem::create_directory(dir.file("folder.bmp"));
    expect_error(rw_raster_read(dir.file("folder.bmp").c_str()), rw_error_file);
    expect_error(rw_raster_read("folder"), rw_error_file);
    dir.write("text.bmp", "not a picture");
    expect_error(rw_raster_read(dir.file("text.bmp").c_str()), rw_error_format);
    expect_error(rw_raster_read_mask("text"), rw_error_format);
    expect_error(rw_raster_read(""), rw_error_argument);
    expect_error(rw_raster_read(nullptr), rw_error_argument);
    expect_error(rw_raster_read_mask(".bmp"), rw_error_argument);
}

namespace {

// The alpha of every pixel, top row first.
std::vector<int> alphas(const rw_raster* raster)
{
    std::vector<int> out;
    for (uint32_t pixel : pixels_of(raster))
        out.push_back(static_cast<int>(pixel & 0xff));
    return out;
}

}  // namespace

TEST(raster_mask, a_small_mask_is_scaled_to_the_raster_keeping_its_colours)
{
    colors before;
    for (uint32_t i = 0; i < 16; ++i)
        before.push_back(i * 0x0f0d0b00u | 0x4d);
    raster_ptr raster = filled(4, before);
    // Dark, light; light orange, dark grey.
    rw_raster_apply_mask(raster.get(), filled(2, {K, W, 0xff8000ff, 0x323232ff}).get());
    EXPECT_EQ(alphas(raster.get()), (std::vector<int>{0, 0, 255, 255, 0, 0, 255, 255,
                                                      255, 255, 0, 0, 255, 255, 0, 0}));
    const colors after = pixels_of(raster.get());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i] >> 8, before[i] >> 8) << i;
}

TEST(raster_mask, half_grey_is_the_boundary)
{
    // Grey 127 is dark, 128 light; brightness 127.999 (6, 215, 0) is dark,
    // exactly 128 (68, 164, 100) light; red and blue are dark, green light;
    // the mask's own alpha does not count.
    raster_ptr raster = filled(8, colors(8, 0x10203080));
    rw_raster_apply_mask(raster.get(), filled(8, {0x7f7f7fff, 0x808080ff, 0x06d700ff, 0x44a464ff,
                                                  R, G, B, 0x7f7f7f00}).get());
    EXPECT_EQ(alphas(raster.get()), (std::vector<int>{0, 255, 0, 255, 0, 255, 0, 0}));
}

TEST(raster_mask, uneven_scales_take_the_pixel_below)
{
    // Mask columns x * 3 / 4: 0, 0, 1, 2.
    raster_ptr wide = filled(4, colors(8, T));
    rw_raster_apply_mask(wide.get(), filled(3, {K, W, K}).get());
    EXPECT_EQ(alphas(wide.get()), (std::vector<int>{0, 0, 255, 0, 0, 0, 255, 0}));

    // From a 4 x 4 mask, pixels (0, 0), (2, 0), (0, 2) and (2, 2); the dark
    // pixels around them are never taken.
    colors mask(16, W);
    for (int dark : {1, 2, 5, 7, 8, 11, 13})
        mask[dark] = K;
    raster_ptr small = filled(2, colors(4, T));
    rw_raster_apply_mask(small.get(), filled(4, mask).get());
    EXPECT_EQ(alphas(small.get()), (std::vector<int>{255, 0, 0, 255}));
}
