// The image converter: a 256 x 256 colour JPEG into an 8-bit BMP file
// through the queue and the frame steps, against libjpeg-turbo decoding and
// quantizing the same bytes on its own into the same BMP file, the least a
// conversion can cost.
//
// Caches are warm: the JPEG is in memory, the decoder of each side is made
// once and reused, and the BMP files are written into the operating
// system's page cache (neither side waits for the disk); no server is
// involved. Both files are removed at the end.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "assets/image.h"
#include "assets/image_bmp.h"
#include "sample_jpeg.h"

namespace {

constexpr int side = sample_jpeg_side;

void count_done(void* user, int result, const unsigned char*, size_t)
{
    *static_cast<int*>(user) += result == 0 ? 1 : 1000;
}

// image_convert, then frames until the BMP is written and the callback ran.
void convert_256(benchmark::State& state)
{
    const std::vector<uint8_t>& jpeg = sample_jpeg();
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("vireo-bench-" + std::to_string(getpid()) + ".bmp"))
                                 .string();
    int done = 0;
    for (auto _ : state) {
        image_convert(jpeg.data(), jpeg.size(), path.c_str(), count_done, &done);
        while (image_queued() > 0)
            image_update();
    }
    if (done != static_cast<int>(state.iterations()))
        state.SkipWithError("a conversion failed");
    state.counters["bmp_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
    image_term();
}
BENCHMARK(convert_256)->Unit(benchmark::kMillisecond);

// The same decoding and two-pass quantization with one reused decoder and
// libjpeg's own memory source, the rows going straight into the BMP's
// bytes, which are then written to a file as the converter does.
void decode_quantize_256(benchmark::State& state)
{
    const std::vector<uint8_t>& jpeg = sample_jpeg();
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("vireo-bench-" + std::to_string(getpid()) + "-limit.bmp"))
                                 .string();
    jpeg_decompress_struct d{};
    jpeg_error_mgr error{};
    d.err = jpeg_std_error(&error);
    jpeg_create_decompress(&d);
    image_bmp bmp;
    for (auto _ : state) {
        jpeg_mem_src(&d, jpeg.data(), jpeg.size());
        jpeg_read_header(&d, TRUE);
        d.quantize_colors = TRUE;
        d.desired_number_of_colors = 256;
        d.two_pass_quantize = TRUE;
        d.dither_mode = JDITHER_FS;
        jpeg_start_decompress(&d);
        image_bmp_start(bmp, side, side);
        for (int i = 0; i < d.actual_number_of_colors; ++i) {
            bmp.table[i][0] = d.colormap[2][i];
            bmp.table[i][1] = d.colormap[1][i];
            bmp.table[i][2] = d.colormap[0][i];
        }
        while (d.output_scanline < d.output_height) {
            JSAMPROW r = image_bmp_row(bmp, static_cast<int>(d.output_scanline));
            jpeg_read_scanlines(&d, &r, 1);
        }
        jpeg_finish_decompress(&d);
        image_bmp_finish(bmp);
        FILE* out = std::fopen(path.c_str(), "wb");
        bool written = out && std::fwrite(bmp.bytes.data(), 1, bmp.bytes.size(), out) ==
                                  bmp.bytes.size();
        if (out)
            written = std::fclose(out) == 0 && written;
        if (!written) {
            state.SkipWithError("the BMP file could not be written");
            break;
        }
    }
    jpeg_destroy_decompress(&d);
    std::error_code ignored;
    state.counters["bmp_bytes"] = static_cast<double>(std::filesystem::file_size(path, ignored));
    std::filesystem::remove(path, ignored);
}
BENCHMARK(decode_quantize_256)->Unit(benchmark::kMillisecond);

}  // namespace
