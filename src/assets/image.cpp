#include "assets/image.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "assets/image_bmp.h"
#include "assets/image_source.h"
#include "base/clock.h"
#include "base/file.h"
#include "base/log.h"

namespace {

// Scan lines read in one step.
constexpr int rows_per_step = 16;
// The largest image converted is the largest raster the renderer loads. A
// JPEG may claim up to 65500 x 65500 pixels in a few bytes; such a claim
// fails before any memory is set aside for it.
constexpr JDIMENSION max_side = 4096;
// The palette's first pass keeps the whole decoded image (3 bytes a pixel)
// and a progressive JPEG its coefficients as well (about 3 bytes a pixel
// more): 4096 x 4096 pixels fit, some 20 to 40 million pixels is the end.
// A few bytes can claim far more; the decoder sets aside no more than this.
constexpr long max_decoder_memory = 128L << 20;
// Overspending beyond this many milliseconds is forgiven.
constexpr int credit_floor = -500;
// The density unit of dots per centimetre.
constexpr int dots_per_cm = 2;

struct job {
    std::vector<uint8_t> data;
    std::string path;  // empty: no file
    image_callback callback;
    void* user;
};

// libjpeg reports a fatal error through error_exit, which must not return:
// it jumps back into the step that called the decoder.
struct decoder_error {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

struct image_state {
    // First in, first out; the head is the job being converted.
    std::deque<job> jobs;
    // The head job has begun: its output file, if it has a path, is
    // created and open.
    bool started = false;
    FILE* output = nullptr;
    // One decoder, made with the first job and reused for every other.
    bool decoder_made = false;
    jpeg_decompress_struct decoder{};
    decoder_error error{};
    jpeg_source_mgr source{};
    image_bmp bmp;
    int credit = 0;
};

image_state state;

[[noreturn]] void error_exit(j_common_ptr)
{
    std::longjmp(state.error.jump, 1);
}

// The decoder's warnings and errors are not printed: a failure shows as the
// job's result.
void output_message(j_common_ptr)
{
}

void make_decoder()
{
    if (state.decoder_made)
        return;
    state.decoder.err = jpeg_std_error(&state.error.manager);
    state.error.manager.error_exit = error_exit;
    state.error.manager.output_message = output_message;
    jpeg_create_decompress(&state.decoder);
    state.decoder.mem->max_memory_to_use = max_decoder_memory;
    state.decoder_made = true;
}

// Abandons the head job's decode and closes its output, deleting the file
// when `remove` is set and the job made it.
void close_output(const std::string& path, bool remove)
{
    if (state.decoder_made)
        jpeg_abort_decompress(&state.decoder);
    if (state.output) {
        std::fclose(state.output);
        state.output = nullptr;
    }
    if (remove && state.started && !path.empty())
        file_delete(path.c_str());
    state.started = false;
    image_bmp_clear(state.bmp);
}

// Ends the head job with `result` (0 converted, 1 failed; a failed job
// leaves no file). The job and the finished image are unlinked before the
// callback runs, so the callback may queue new jobs or reset the converter.
void end_job(int result)
{
    job ended = std::move(state.jobs.front());
    state.jobs.pop_front();
    std::vector<uint8_t> bmp;
    if (result == 0)
        bmp = std::move(state.bmp.bytes);
    close_output(ended.path, result != 0);
    ended.callback(ended.user, result, result == 0 ? bmp.data() : nullptr, bmp.size());
}

// Creates the output file when the job has a path, reads the JPEG header
// and starts decompression with the palette chosen.
void start_job()
{
    job& head = state.jobs.front();
    if (!head.path.empty()) {
        state.output = std::fopen(head.path.c_str(), "wb");
        if (!state.output) {
            end_job(1);
            return;
        }
    }
    state.started = true;
    make_decoder();
    jpeg_decompress_struct* d = &state.decoder;
    image_source_set(d, &state.source, head.data.data(), head.data.size());
    jpeg_read_header(d, TRUE);
    if (d->image_width > max_side || d->image_height > max_side) {
        end_job(1);
        return;
    }
    if (d->jpeg_color_space == JCS_GRAYSCALE) {
        // Grey levels are their own palette indices.
        d->out_color_space = JCS_GRAYSCALE;
        d->quantize_colors = FALSE;
    } else {
        // An optimal 256-colour palette for the image. Floyd-Steinberg
        // dithering keeps the smooth gradients of skies and backdrops from
        // breaking into bands of flat colour.
        d->out_color_space = JCS_RGB;
        d->quantize_colors = TRUE;
        d->desired_number_of_colors = 256;
        d->two_pass_quantize = TRUE;
        d->dither_mode = JDITHER_FS;
    }
    // The two-pass quantizer makes its first pass over the whole image,
    // to choose the palette, inside jpeg_start_decompress; so does a
    // progressive JPEG's decoding of all its scans. This step can therefore
    // take much longer than the row steps after it: the frame credit
    // carries that overrun into later frames.
    jpeg_start_decompress(d);

    image_bmp& bmp = state.bmp;
    image_bmp_start(bmp, static_cast<int>(d->output_width), static_cast<int>(d->output_height));
    if (d->density_unit == dots_per_cm) {
        bmp.x_resolution = d->X_density * 100;
        bmp.y_resolution = d->Y_density * 100;
    }
    if (d->quantize_colors) {
        for (int i = 0; i < d->actual_number_of_colors; ++i) {
            bmp.table[i][0] = d->colormap[2][i];
            bmp.table[i][1] = d->colormap[1][i];
            bmp.table[i][2] = d->colormap[0][i];
        }
    } else {
        for (int i = 0; i < 256; ++i)
            bmp.table[i][0] = bmp.table[i][1] = bmp.table[i][2] = static_cast<uint8_t>(i);
    }
}

// Completes the gathered image, writes it to the output file if the job
// has one, and ends the job.
void finish_job()
{
    image_bmp_finish(state.bmp);
    const std::vector<uint8_t>& bytes = state.bmp.bytes;
    if (state.output) {
        bool written = std::fwrite(bytes.data(), 1, bytes.size(), state.output) == bytes.size();
        bool closed = std::fclose(state.output) == 0;
        state.output = nullptr;
        if (!written || !closed) {
            end_job(1);
            return;
        }
    }
    if (log_texture())
        log_write("BMP file size: %d (%d x %d)", static_cast<int>(bytes.size()), state.bmp.width,
                  state.bmp.height);
    end_job(0);
}

// Decodes the next group of scan lines straight into their places in the
// BMP; after the last group, finishes the job.
void read_rows()
{
    jpeg_decompress_struct* d = &state.decoder;
    JSAMPROW rows[rows_per_step];
    const int count = static_cast<int>(
        std::min<JDIMENSION>(rows_per_step, d->output_height - d->output_scanline));
    for (int i = 0; i < count; ++i)
        rows[i] = image_bmp_row(state.bmp, static_cast<int>(d->output_scanline) + i);
    jpeg_read_scanlines(d, rows, static_cast<JDIMENSION>(count));
    if (d->output_scanline < d->output_height)
        return;
    jpeg_finish_decompress(d);
    finish_job();
}

// One step of the head job: its start, or one group of scan lines. A
// decoding error anywhere in it comes back here and fails the job. Nothing
// in the calls below holds an object with a destructor while the decoder
// runs, so leaving them by the jump skips no clean-up.
void step()
{
    if (setjmp(state.error.jump)) {
        end_job(1);
        return;
    }
    if (state.started)
        read_rows();
    else
        start_job();
}

}  // namespace

void image_convert(const unsigned char* jpeg, size_t size, const char* path,
                   image_callback callback, void* user)
{
    if (log_trace())
        log_write("image_convert (%s)", path ? path : "");
    state.jobs.push_back(
        {std::vector<uint8_t>(jpeg, jpeg + size), path ? path : "", callback, user});
}

void image_update()
{
    // Logged only for frames with work, so an idle log stays readable.
    if (log_trace() && !state.jobs.empty())
        log_write("image_update");
    const int budget = image_budget(image_queued());
    state.credit = image_credit(state.credit, budget);
    if (state.credit < 0 || state.jobs.empty())
        return;
    const uint32_t start = clock_ms();
    uint32_t spent = 0;
    while (!state.jobs.empty() && spent < static_cast<uint32_t>(budget)) {
        step();
        spent = clock_ms() - start;
    }
    // The next frame forgives debt below the floor anyway; stopping there
    // keeps a jump of the clock from overflowing the credit.
    state.credit = static_cast<int>(std::max<int64_t>(int64_t{state.credit} - spent, credit_floor));
}

void image_reset()
{
    if (!state.jobs.empty())
        close_output(state.jobs.front().path, true);
    state.jobs.clear();
}

void image_term()
{
    if (log_trace())
        log_write("image_term");
    image_reset();
    if (state.decoder_made)
        jpeg_destroy_decompress(&state.decoder);
    state = image_state{};
}

int image_queued()
{
    return static_cast<int>(state.jobs.size());
}

int image_budget(int queued)
{
    if (queued < 10)
        return 70;
    if (queued < 20)
        return 140;
    return 210;
}

int image_credit(int credit, int budget)
{
    if (credit < 0)
        return std::max(credit, credit_floor) + budget;
    return std::max(credit, budget);
}
