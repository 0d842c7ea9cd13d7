#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "assets/image.h"
#include "base/clock.h"
#include "base/log.h"
#include "base/profile.h"
#include "render/raster.h"
#include "support/temp_dir.h"

namespace {

using bytes = std::vector<uint8_t>;

// A clock that moves on by `tick_ms` at every reading.
uint32_t now_ms = 0;
uint32_t tick_ms = 1;
uint32_t ticking_clock()
{
    now_ms += tick_ms;
    return now_ms;
}

// Every callback as (user data as a number, result), in call order.
std::vector<std::pair<int, int>> calls;
void record(void* user, int result, const unsigned char*, size_t)
{
    calls.emplace_back(static_cast<int>(reinterpret_cast<intptr_t>(user)), result);
}
void* id(int n)
{
    return reinterpret_cast<void*>(static_cast<intptr_t>(n));
}

struct jpeg_options {
    bool grey = false;
    bool cmyk = false;
    bool progressive = false;
    int density_unit = 0;
    int x_density = 1;
    int y_density = 1;
};

// A JPEG (quality 95, with a 300-byte comment) of pixels given top row
// first as 0xRRGGBB; grey images take the low byte.
bytes make_jpeg(int width, int height, const std::vector<uint32_t>& pixels,
                jpeg_options options = {})
{
    jpeg_compress_struct c{};
    jpeg_error_mgr error{};
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = options.grey ? 1 : options.cmyk ? 4 : 3;
    c.in_color_space = options.grey ? JCS_GRAYSCALE : options.cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&c);
    c.density_unit = static_cast<UINT8>(options.density_unit);
    c.X_density = static_cast<UINT16>(options.x_density);
    c.Y_density = static_cast<UINT16>(options.y_density);
    jpeg_start_compress(&c, TRUE);
    const std::string comment(300, 'c');
    jpeg_write_marker(&c, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()), 300);
    bytes row(static_cast<size_t>(width) * c.input_components);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            for (int k = 0; k < c.input_components; ++k)
                row[static_cast<size_t>(x) * c.input_components + k] =
                    options.grey ? static_cast<uint8_t>(p)
                    : k < 3      ? static_cast<uint8_t>(p >> (16 - 8 * k))
                                 : 0;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    bytes result(out, out + size);
    std::free(out);
    return result;
}

// libjpeg's own decoding of the bytes, without a palette: 3 bytes a pixel
// for colour, 1 for grey, top row first.
bytes plain_decode(const bytes& jpeg)
{
    jpeg_decompress_struct d{};
    jpeg_error_mgr error{};
    d.err = jpeg_std_error(&error);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg.data(), jpeg.size());
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    bytes pixels(static_cast<size_t>(d.output_width) * d.output_height * d.output_components);
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = pixels.data() + static_cast<size_t>(d.output_scanline) * d.output_width *
                                         d.output_components;
        jpeg_read_scanlines(&d, &r, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return pixels;
}

// Top half red, bottom half blue.
std::vector<uint32_t> red_over_blue(int width, int height)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] = y < height / 2 ? 0xE01010 : 0x1010E0;
    return pixels;
}

// Smooth colour ramps, the kind a palette must approximate.
std::vector<uint32_t> ramps(int width, int height)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] =
                static_cast<uint32_t>(x * 255 / width) << 16 |
                static_cast<uint32_t>(y * 255 / height) << 8 | static_cast<uint32_t>((x + y) % 256);
    return pixels;
}

// A BMP file's bytes read back.
struct bmp_file {
    std::string data;
    uint32_t u32(size_t at) const
    {
        return static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8 |
               static_cast<uint8_t>(data[at + 2]) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(data[at + 3])) << 24;
    }
    uint32_t u16(size_t at) const
    {
        return static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8;
    }
    uint8_t byte(size_t at) const { return static_cast<uint8_t>(data[at]); }
    int width() const { return static_cast<int>(u32(18)); }
    int height() const { return static_cast<int>(u32(22)); }
    size_t stride() const { return (static_cast<size_t>(width()) + 3) & ~size_t{3}; }
    // The palette index of pixel (x, y), y counted from the top.
    uint8_t index(int x, int y) const
    {
        return byte(1078 + stride() * static_cast<size_t>(height() - 1 - y) + x);
    }
    // Channel k (0 red, 1 green, 2 blue) of the colour of pixel (x, y).
    int channel(int x, int y, int k) const { return byte(54 + 4 * index(x, y) + 2 - k); }
};

class image_conversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        now_ms = 1000;
        tick_ms = 1;
        clock_set_source(ticking_clock);
        calls.clear();
    }
    void TearDown() override
    {
        image_term();
        clock_set_source(nullptr);
    }

    // Runs frames until every queued job has ended.
    static void run()
    {
        for (int frames = 0; image_queued() > 0 && frames < 100000; ++frames)
            image_update();
        ASSERT_EQ(image_queued(), 0);
    }

    // Converts one JPEG; the result, and the file's bytes when it exists.
    int convert(const bytes& jpeg, bmp_file* out = nullptr)
    {
        size_t before = calls.size();
        image_convert(jpeg.data(), jpeg.size(), bmp_path.c_str(), record, id(0));
        run();
        EXPECT_EQ(calls.size(), before + 1);
        if (out)
            *out = {dir.read("out.bmp")};
        return calls.size() == before + 1 ? calls.back().second : -1;
    }

    bool exists(const std::string& path) const { return std::filesystem::exists(path); }

    temp_dir dir;
    std::string bmp_path = dir.file("out.bmp");
};

}  // namespace

TEST_F(image_conversion, colour_jpeg_becomes_an_8_bit_bottom_up_bmp_with_a_palette)
{
    const int w = 40, h = 30;
    bytes jpeg = make_jpeg(w, h, red_over_blue(w, h),
                           {.density_unit = 2, .x_density = 28, .y_density = 40});
    bmp_file bmp;
    ASSERT_EQ(convert(jpeg, &bmp), 0);
    ASSERT_EQ(bmp.data.size(), 1078u + 40 * 30);
    EXPECT_EQ(bmp.data.substr(0, 2), "BM");
    EXPECT_EQ(bmp.u32(2), bmp.data.size());
    EXPECT_EQ(bmp.u32(6), 0u);  // reserved words
    EXPECT_EQ(bmp.u32(10), 14u + 40 + 4 * 256);
    EXPECT_EQ(bmp.u32(14), 40u);
    EXPECT_EQ(bmp.width(), w);
    EXPECT_EQ(bmp.height(), h);  // positive: bottom-up
    EXPECT_EQ(bmp.u16(26), 1u);
    EXPECT_EQ(bmp.u16(28), 8u);
    EXPECT_EQ(bmp.u32(30), 0u);  // compression
    EXPECT_EQ(bmp.u32(34), 0u);  // image size
    EXPECT_EQ(bmp.u32(38), 2800u);  // dots per centimetre x 100
    EXPECT_EQ(bmp.u32(42), 4000u);
    EXPECT_EQ(bmp.u32(46), 256u);
    EXPECT_EQ(bmp.u32(50), 0u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(bmp.byte(54 + 4 * i + 3), 0) << "entry " << i;
    // The first stored row is the bottom of the picture: blue.
    size_t first_row = 1078;
    for (int x = 0; x < w; ++x) {
        size_t entry = 54 + 4 * static_cast<size_t>(bmp.byte(first_row + x));
        EXPECT_GT(bmp.byte(entry), 180) << x;      // blue
        EXPECT_LT(bmp.byte(entry + 2), 60) << x;   // red
    }
    EXPECT_GT(bmp.channel(5, 0, 0), 180);
    EXPECT_LT(bmp.channel(5, 0, 2), 60);

    // The renderer reads the file the same way round.
    rw_raster* raster = rw_raster_read_bmp(bmp.data.data(), bmp.data.size());
    ASSERT_NE(raster, nullptr);
    EXPECT_EQ(rw_raster_width(raster), w);
    EXPECT_EQ(rw_raster_height(raster), h);
    const uint8_t* top_left = rw_raster_pixels(raster);
    EXPECT_GT(top_left[0], 180);
    EXPECT_LT(top_left[2], 60);
    rw_raster_destroy(raster);
}

TEST_F(image_conversion, resolution_is_given_only_for_dots_per_centimetre)
{
    bmp_file bmp;
    bytes jpeg =
        make_jpeg(8, 8, ramps(8, 8), {.density_unit = 1, .x_density = 72, .y_density = 72});
    ASSERT_EQ(convert(jpeg, &bmp), 0);
    EXPECT_EQ(bmp.u32(38), 0u);
    EXPECT_EQ(bmp.u32(42), 0u);
}

TEST_F(image_conversion, rows_are_padded_and_pixels_keep_their_colours)
{
    const int w = 37, h = 23;
    bytes jpeg = make_jpeg(w, h, ramps(w, h));
    bmp_file bmp;
    ASSERT_EQ(convert(jpeg, &bmp), 0);
    ASSERT_EQ(bmp.data.size(), 1078u + 40 * h);
    EXPECT_EQ(bmp.u32(2), bmp.data.size());
    for (int row = 0; row < h; ++row)
        for (int pad = w; pad < 40; ++pad)
            EXPECT_EQ(bmp.byte(1078 + 40 * static_cast<size_t>(row) + pad), 0);
    // Against libjpeg's decoding without a palette: dithering moves single
    // pixels a little, the average hardly at all.
    bytes plain = plain_decode(jpeg);
    long total = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k) {
                int want = plain[(static_cast<size_t>(y) * w + x) * 3 + k];
                int error = std::abs(bmp.channel(x, y, k) - want);
                EXPECT_LE(error, 40) << x << "," << y << " channel " << k;
                total += error;
            }
    EXPECT_LT(static_cast<double>(total) / (w * h * 3), 6.0);
}

TEST_F(image_conversion, greyscale_jpeg_gets_a_grey_table_and_exact_levels)
{
    const int w = 33, h = 17;
    std::vector<uint32_t> levels(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < levels.size(); ++i)
        levels[i] = static_cast<uint32_t>(i * 255 / levels.size());
    bytes jpeg = make_jpeg(w, h, levels, {.grey = true});
    bmp_file bmp;
    ASSERT_EQ(convert(jpeg, &bmp), 0);
    ASSERT_EQ(bmp.data.size(), 1078u + 36 * h);
    EXPECT_EQ(bmp.u16(28), 8u);
    EXPECT_EQ(bmp.u32(46), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(bmp.byte(54 + 4 * i), i);
        EXPECT_EQ(bmp.byte(54 + 4 * i + 1), i);
        EXPECT_EQ(bmp.byte(54 + 4 * i + 2), i);
        EXPECT_EQ(bmp.byte(54 + 4 * i + 3), 0);
    }
    bytes plain = plain_decode(jpeg);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(bmp.index(x, y), plain[static_cast<size_t>(y) * w + x]) << x << "," << y;
            int level = static_cast<int>(levels[static_cast<size_t>(y) * w + x]);
            EXPECT_NEAR(bmp.index(x, y), level, 6);
        }
}

TEST_F(image_conversion, corrupt_or_unsupported_jpegs_fail_and_leave_no_file)
{
    std::mt19937 random(7);
    bytes noise(2000);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(random());
    bytes noisy_body = noise;  // a start-of-image marker, then noise
    noisy_body[0] = 0xFF;
    noisy_body[1] = 0xD8;
    bytes cmyk = make_jpeg(8, 8, ramps(8, 8), {.cmyk = true});
    // A picture that claims 20000 pixels across.
    bytes huge = make_jpeg(8, 8, ramps(8, 8));
    for (size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 7] = 20000 >> 8;
            huge[i + 8] = 20000 & 0xFF;
            break;
        }
    // A small progressive picture that claims 8000 x 8000 pixels: decoding
    // it would first set aside the whole image's coefficients (some 190 MB).
    bytes claiming = make_jpeg(16, 16, ramps(16, 16), {.progressive = true});
    for (size_t i = 0; i + 8 < claiming.size(); ++i)
        if (claiming[i] == 0xFF && claiming[i + 1] == 0xC2) {
            for (size_t at : {i + 5, i + 7}) {
                claiming[at] = 8000 >> 8;
                claiming[at + 1] = 8000 & 0xFF;
            }
            break;
        }
    bytes empty;
    for (const bytes* input : {&noise, &noisy_body, &cmyk, &huge, &claiming, &empty}) {
        EXPECT_EQ(convert(*input), 1);
        EXPECT_FALSE(exists(bmp_path));
    }
}

TEST_F(image_conversion, truncated_jpegs_end_with_a_result_and_read_only_their_bytes)
{
    const int w = 48, h = 40;
    bytes jpeg = make_jpeg(w, h, ramps(w, h));
    for (size_t cut = 0; cut < jpeg.size(); cut += 7) {
        // Exactly `cut` bytes, so a read past them is an overflow.
        std::unique_ptr<unsigned char[]> part(new unsigned char[cut]);
        std::copy(jpeg.begin(), jpeg.begin() + static_cast<long>(cut), part.get());
        calls.clear();
        image_convert(part.get(), cut, bmp_path.c_str(), record, id(0));
        part.reset();
        run();
        ASSERT_EQ(calls.size(), 1u) << cut;
        int result = calls[0].second;
        ASSERT_TRUE(result == 0 || result == 1) << cut;
        if (result == 1)
            EXPECT_FALSE(exists(bmp_path)) << cut;
        else
            EXPECT_EQ(std::filesystem::file_size(bmp_path), 1078u + 48 * h) << cut;
        std::filesystem::remove(bmp_path);
    }
    // Cut within the headers there is no picture; cut within the scan
    // data, the part that arrived is kept and the rest filled in.
    EXPECT_EQ(convert(bytes(jpeg.begin(), jpeg.begin() + 100)), 1);
    EXPECT_EQ(convert(bytes(jpeg.begin(), jpeg.end() - 200)), 0);
}

TEST_F(image_conversion, jobs_run_in_order_and_a_failure_does_not_stop_the_queue)
{
    bytes good = make_jpeg(16, 16, ramps(16, 16));
    bytes bad(100, 0x55);
    image_convert(good.data(), good.size(), dir.file("a.bmp").c_str(), record, id(1));
    image_convert(bad.data(), bad.size(), dir.file("b.bmp").c_str(), record, id(2));
    image_convert(good.data(), good.size(), dir.file("missing/c.bmp").c_str(), record, id(3));
    // A callback may queue another job.
    static std::string queued_later;
    queued_later = dir.file("e.bmp");
    image_convert(good.data(), good.size(), dir.file("d.bmp").c_str(),
                  [](void*, int result, const unsigned char* bmp, size_t size) {
                      record(id(4), result, bmp, size);
                      static const bytes again = make_jpeg(8, 8, ramps(8, 8));
                      image_convert(again.data(), again.size(), queued_later.c_str(), record,
                                    id(5));
                  },
                  nullptr);
    EXPECT_EQ(image_queued(), 4);
    run();
    std::vector<std::pair<int, int>> expected{{1, 0}, {2, 1}, {3, 1}, {4, 0}, {5, 0}};
    EXPECT_EQ(calls, expected);
    EXPECT_TRUE(exists(dir.file("a.bmp")));
    EXPECT_FALSE(exists(dir.file("b.bmp")));
    EXPECT_TRUE(exists(dir.file("d.bmp")));
    EXPECT_TRUE(exists(queued_later));
}

TEST_F(image_conversion, the_bmp_is_handed_over_in_memory_and_written_only_with_a_path)
{
    static std::vector<std::pair<int, bytes>> handed;
    handed.clear();
    auto keep = [](void*, int result, const unsigned char* bmp, size_t size) {
        handed.emplace_back(result, bmp ? bytes(bmp, bmp + size) : bytes());
    };
    bytes jpeg = make_jpeg(37, 23, ramps(37, 23));
    bytes bad(100, 0x55);
    image_convert(jpeg.data(), jpeg.size(), bmp_path.c_str(), keep, nullptr);
    image_convert(jpeg.data(), jpeg.size(), nullptr, keep, nullptr);
    image_convert(jpeg.data(), jpeg.size(), "", keep, nullptr);
    image_convert(bad.data(), bad.size(), nullptr, keep, nullptr);
    run();
    ASSERT_EQ(handed.size(), 4u);
    EXPECT_EQ(handed[0].first, 0);
    const std::string file = dir.read("out.bmp");
    EXPECT_EQ(std::string(handed[0].second.begin(), handed[0].second.end()), file);
    EXPECT_EQ(handed[1], handed[0]);
    EXPECT_EQ(handed[2], handed[0]);
    EXPECT_EQ(handed[3], std::make_pair(1, bytes()));
    // Only the job with a path made a file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(image_conversion, reset_and_term_mid_conversion_leave_no_file_and_call_nobody)
{
    bytes big = make_jpeg(512, 512, ramps(512, 512));
    for (bool term : {false, true}) {
        calls.clear();
        image_convert(big.data(), big.size(), bmp_path.c_str(), record, id(1));
        image_convert(big.data(), big.size(), dir.file("second.bmp").c_str(), record, id(2));
        // One step a frame: the start, then a group of rows.
        tick_ms = 100;
        image_update();
        image_update();
        ASSERT_TRUE(exists(bmp_path));
        ASSERT_TRUE(calls.empty());
        term ? image_term() : image_reset();
        EXPECT_FALSE(exists(bmp_path));
        EXPECT_EQ(image_queued(), 0);
        for (int i = 0; i < 10; ++i)
            image_update();
        EXPECT_TRUE(calls.empty());
        EXPECT_FALSE(exists(dir.file("second.bmp")));
        // The decoder serves the next job as before.
        tick_ms = 1;
        EXPECT_EQ(convert(make_jpeg(24, 24, ramps(24, 24))), 0);
        EXPECT_TRUE(exists(bmp_path));
    }
}

TEST_F(image_conversion, budget_grows_with_the_queue)
{
    EXPECT_EQ(image_budget(0), 70);
    EXPECT_EQ(image_budget(1), 70);
    EXPECT_EQ(image_budget(9), 70);
    EXPECT_EQ(image_budget(10), 140);
    EXPECT_EQ(image_budget(19), 140);
    EXPECT_EQ(image_budget(20), 210);
    EXPECT_EQ(image_budget(500), 210);
}

TEST_F(image_conversion, a_frame_works_until_its_budget_is_spent)
{
    // 129 steps a job: more than one frame's work.
    bytes jpeg = make_jpeg(64, 2048, ramps(64, 2048));
    for (int queued : {1, 10, 20}) {
        for (int i = 0; i < queued; ++i)
            image_convert(jpeg.data(), jpeg.size(), dir.file("q.bmp").c_str(), record, id(i));
        // Each step reads the clock once: the frame stops at its budget.
        uint32_t before = now_ms;
        image_update();
        EXPECT_GE(now_ms - before, static_cast<uint32_t>(image_budget(queued)));
        EXPECT_LE(now_ms - before, static_cast<uint32_t>(image_budget(queued)) + 2);
        EXPECT_GT(image_queued(), 0);
        image_reset();
        // An empty frame settles the last step's overrun.
        image_update();
    }
}

TEST_F(image_conversion, credit_settles_debt_before_work)
{
    EXPECT_EQ(image_credit(0, 70), 70);
    EXPECT_EQ(image_credit(30, 140), 140);
    EXPECT_EQ(image_credit(300, 70), 300);
    EXPECT_EQ(image_credit(-400, 70), -330);
    EXPECT_EQ(image_credit(-50, 70), 20);
    // Debt beyond 500 ms is forgiven.
    EXPECT_EQ(image_credit(-1000, 70), -430);
    EXPECT_EQ(image_credit(-500, 210), -290);
}

TEST_F(image_conversion, overspending_makes_the_next_frames_idle_until_the_credit_is_back)
{
    bytes small = make_jpeg(8, 8, ramps(8, 8));
    // The debt is paid 70 ms a frame, and never more than 500 ms of it.
    for (int overspent : {400, 1000}) {
        const int debt = std::min(overspent, 500);
        // Frames whose 70 ms still leave the credit negative.
        const int idle_frames = (debt - 1) / 70;
        calls.clear();
        image_convert(small.data(), small.size(), bmp_path.c_str(), record, id(0));
        // The job's start takes the budget and `overspent` more.
        tick_ms = static_cast<uint32_t>(70 + overspent);
        image_update();
        tick_ms = 1;
        for (int frame = 0; frame < idle_frames; ++frame) {
            image_update();
            EXPECT_TRUE(calls.empty()) << overspent << " frame " << frame;
        }
        image_update();
        EXPECT_EQ(calls.size(), 1u) << overspent;
    }
}

TEST_F(image_conversion, the_texture_log_gives_the_file_size)
{
    char previous[4096] = {};
    ASSERT_TRUE(getcwd(previous, sizeof previous));
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    dir.write("vireo.ini", "[debug]\ntexture=1\n");
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    log_reset();
    log_init(profile_int);
    static std::vector<std::string> lines;
    lines.clear();
    log_set_observer([](const char* text) { lines.emplace_back(text); });
    EXPECT_EQ(convert(make_jpeg(10, 20, ramps(10, 20))), 0);
    log_set_observer(nullptr);
    log_reset();
    EXPECT_EQ(chdir(previous), 0);
    std::string expected =
        "BMP file size: " + std::to_string(std::filesystem::file_size(bmp_path)) + " (10 x 20)";
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end());
}
