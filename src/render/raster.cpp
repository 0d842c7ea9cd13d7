#include "render/raster.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "render/render.h"

struct rw_raster {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

namespace {

// Textures, backdrops and pictures are far smaller than this; the cap
// keeps a claimed size from costing more than a large texture does
// (64 MB of pixels).
constexpr int64_t max_side = 4096;
// A BMP of the largest raster, with headers and palette, is smaller; a
// bigger file is refused without reading it.
constexpr int64_t max_file_size = int64_t{128} << 20;
// Two bytes of a run-length stream describe at most 255 pixels. A stream
// may end early and leave the rest black, but a large image must be one
// its stream can describe: a few bytes cannot claim millions of pixels.
// Images up to this many pixels read whatever their stream.
constexpr int64_t rle_free_pixels = 256 * 256;

using rgba = std::array<uint8_t, 4>;

bool size_allowed(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width <= max_side && height <= max_side;
}

// A raster of an allowed size, all bytes 0; none when memory runs out.
rw_raster* allocate(int width, int height)
{
    try {
        auto raster = std::make_unique<rw_raster>();
        raster->width = width;
        raster->height = height;
        raster->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
        return raster.release();
    } catch (const std::bad_alloc&) {
        rw_set_error(rw_error_memory);
        return nullptr;
    }
}

rw_raster* format_error()
{
    rw_set_error(rw_error_format);
    return nullptr;
}

uint16_t read_u16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t read_u32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int32_t read_i32(const uint8_t* p)
{
    return static_cast<int32_t>(read_u32(p));
}

void put(uint8_t* dst, const rgba& color)
{
    std::memcpy(dst, color.data(), 4);
}

// One colour channel of a 16- or 32-bit pixel under a bit mask: the bits
// are shifted down, cut to at most 8 and scaled to 0..255 by a table.
struct channel {
    uint32_t mask = 0;
    int shift = 0;
    int drop = 0;
    std::array<uint8_t, 256> scale{};

    uint8_t operator()(uint32_t pixel) const { return scale[((pixel & mask) >> shift) >> drop]; }
};

channel make_channel(uint32_t mask)
{
    channel c;
    c.mask = mask;
    if (mask == 0)
        return c;
    c.shift = std::countr_zero(mask);
    int bits = std::bit_width(mask >> c.shift);
    c.drop = std::max(bits - 8, 0);
    unsigned top = (1u << (bits - c.drop)) - 1;
    for (unsigned v = 0; v <= top; ++v)
        c.scale[v] = static_cast<uint8_t>((v * 255 + top / 2) / top);
    return c;
}

enum compression_kind : uint32_t {
    bi_rgb = 0,
    bi_rle8 = 1,
    bi_rle4 = 2,
    bi_bitfields = 3,
};

// What the headers of a BMP say about its pixels.
struct bmp_layout {
    int width = 0;
    int rows = 0;
    bool bottom_up = true;
    int bits = 0;
    uint32_t compression = bi_rgb;
    // Indices beyond the file's palette stay opaque black.
    std::array<rgba, 256> palette{};
    channel red, green, blue;

    // The raster row of the file's row `row`.
    int raster_row(int row) const { return bottom_up ? rows - 1 - row : row; }
};

bool kind_allowed(int bits, uint32_t compression, bool core_header)
{
    switch (bits) {
    case 1:
        return compression == bi_rgb;
    case 4:
        return compression == bi_rgb || compression == bi_rle4;
    case 8:
        return compression == bi_rgb || compression == bi_rle8;
    case 24:
        return compression == bi_rgb;
    case 16:
    case 32:
        return !core_header && (compression == bi_rgb || compression == bi_bitfields);
    default:
        return false;
    }
}

// Reads the file header, the info header (the 12-byte core header or one
// of 40 bytes or more), the colour masks and the palette. `pixel_offset`
// is where the pixel data starts, checked to lie inside the file.
bool read_layout(const uint8_t* bytes, size_t size, bmp_layout& layout, size_t& pixel_offset)
{
    constexpr size_t file_header = 14;
    if (size < file_header + 12 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    const uint32_t offset = read_u32(bytes + 10);
    const uint32_t info_size = read_u32(bytes + 14);
    const bool core = info_size == 12;
    int64_t width = 0, height = 0;
    uint32_t colors_used = 0;
    if (core) {
        width = read_u16(bytes + 18);
        height = read_u16(bytes + 20);
        layout.bits = read_u16(bytes + 24);
    } else if (info_size >= 40 && info_size <= size - file_header) {
        width = read_i32(bytes + 18);
        height = read_i32(bytes + 22);
        layout.bits = read_u16(bytes + 28);
        layout.compression = read_u32(bytes + 30);
        colors_used = read_u32(bytes + 46);
    } else {
        return false;
    }
    layout.bottom_up = height > 0;
    height = height < 0 ? -height : height;
    if (!size_allowed(width, height) || !kind_allowed(layout.bits, layout.compression, core))
        return false;
    layout.width = static_cast<int>(width);
    layout.rows = static_cast<int>(height);

    // The masks follow the 40-byte header and are part of the larger ones:
    // at the same place either way.
    size_t palette_start = file_header + info_size;
    if (layout.compression == bi_bitfields) {
        constexpr size_t masks_at = file_header + 40, masks_size = 12;
        if (size < masks_at + masks_size)
            return false;
        palette_start = std::max(palette_start, masks_at + masks_size);
        layout.red = make_channel(read_u32(bytes + masks_at));
        layout.green = make_channel(read_u32(bytes + masks_at + 4));
        layout.blue = make_channel(read_u32(bytes + masks_at + 8));
    } else if (layout.bits == 16) {
        layout.red = make_channel(0x7c00);
        layout.green = make_channel(0x03e0);
        layout.blue = make_channel(0x001f);
    }
    if (offset < palette_start || offset > size)
        return false;
    pixel_offset = offset;

    for (rgba& color : layout.palette)
        color = {0, 0, 0, 255};
    if (layout.bits <= 8) {
        const size_t entry_size = core ? 3 : 4;
        size_t count = size_t{1} << layout.bits;
        if (colors_used != 0 && colors_used < count)
            count = colors_used;
        count = std::min(count, (offset - palette_start) / entry_size);
        const uint8_t* entry = bytes + palette_start;
        for (size_t i = 0; i < count; ++i, entry += entry_size)
            layout.palette[i] = {entry[2], entry[1], entry[0], 255};
    }
    return true;
}

// One uncompressed row of the file into one row of the raster.
void decode_row(const bmp_layout& layout, const uint8_t* src, uint8_t* dst)
{
    const int width = layout.width;
    const auto& palette = layout.palette;
    switch (layout.bits) {
    case 1:
        for (int x = 0; x < width; ++x, dst += 4)
            put(dst, palette[(src[x >> 3] >> (7 - (x & 7))) & 1]);
        break;
    case 4:
        for (int x = 0; x < width; ++x, dst += 4)
            put(dst, palette[(x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4]);
        break;
    case 8:
        for (int x = 0; x < width; ++x, dst += 4)
            put(dst, palette[src[x]]);
        break;
    case 16:
        for (int x = 0; x < width; ++x, src += 2, dst += 4) {
            uint32_t pixel = read_u16(src);
            put(dst, {layout.red(pixel), layout.green(pixel), layout.blue(pixel), 255});
        }
        break;
    case 24:
        for (int x = 0; x < width; ++x, src += 3, dst += 4)
            put(dst, {src[2], src[1], src[0], 255});
        break;
    case 32:
        if (layout.compression == bi_bitfields) {
            for (int x = 0; x < width; ++x, src += 4, dst += 4) {
                uint32_t pixel = read_u32(src);
                put(dst, {layout.red(pixel), layout.green(pixel), layout.blue(pixel), 255});
            }
        } else {
            for (int x = 0; x < width; ++x, src += 4, dst += 4)
                put(dst, {src[2], src[1], src[0], 255});
        }
        break;
    }
}

rw_raster* read_uncompressed(const bmp_layout& layout, const uint8_t* data, size_t size)
{
    const uint64_t row_bits = static_cast<uint64_t>(layout.width) * static_cast<uint64_t>(layout.bits);
    const uint64_t stride = (row_bits + 31) / 32 * 4;
    // Some writers leave out the padding of the last row; the pixels are
    // all there without it.
    const uint64_t needed = stride * static_cast<uint64_t>(layout.rows - 1) + (row_bits + 7) / 8;
    if (size < needed)
        return format_error();
    rw_raster* raster = allocate(layout.width, layout.rows);
    if (!raster)
        return nullptr;
    const size_t raster_stride = static_cast<size_t>(layout.width) * 4;
    for (int row = 0; row < layout.rows; ++row) {
        decode_row(layout, data + stride * static_cast<uint64_t>(row),
                   raster->pixels.data() + raster_stride * static_cast<size_t>(layout.raster_row(row)));
    }
    return raster;
}

// Run-length encoded indices of 8 or 4 bits. A run, a delta or a line end
// that leaves its row or the image makes the file invalid. A stream that
// ends early, without its end-of-bitmap mark or inside an instruction, is
// accepted and leaves the pixels it did not reach black: old writers often
// stop short, and what was decoded is still the right picture.
bool decode_rle(const bmp_layout& layout, const uint8_t* p, const uint8_t* end, rw_raster* raster)
{
    const int width = layout.width;
    const bool nibbles = layout.bits == 4;
    const auto& palette = layout.palette;
    auto pixel = [&](int row, int x) {
        return raster->pixels.data() +
               (static_cast<size_t>(layout.raster_row(row)) * static_cast<size_t>(width) +
                static_cast<size_t>(x)) * 4;
    };
    int x = 0, row = 0;
    while (end - p >= 2) {
        const int count = p[0], value = p[1];
        p += 2;
        if (count > 0) {
            if (row >= layout.rows || count > width - x)
                return false;
            uint8_t* dst = pixel(row, x);
            if (nibbles) {
                const rgba& first = palette[value >> 4];
                const rgba& second = palette[value & 15];
                for (int i = 0; i < count; ++i, dst += 4)
                    put(dst, (i & 1) ? second : first);
            } else {
                for (int i = 0; i < count; ++i, dst += 4)
                    put(dst, palette[value]);
            }
            x += count;
        } else if (value == 0) {
            if (row >= layout.rows)
                return false;
            x = 0;
            ++row;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (end - p < 2)
                return true;
            x += p[0];
            row += p[1];
            p += 2;
            if (x > width || row > layout.rows)
                return false;
        } else {
            // An absolute run: `value` indices, padded to an even byte count.
            if (row >= layout.rows || value > width - x)
                return false;
            const int bytes = nibbles ? (value + 1) / 2 : value;
            if (end - p < bytes)
                return true;
            uint8_t* dst = pixel(row, x);
            if (nibbles) {
                for (int i = 0; i < value; ++i, dst += 4)
                    put(dst, palette[(i & 1) ? p[i >> 1] & 15 : p[i >> 1] >> 4]);
            } else {
                for (int i = 0; i < value; ++i, dst += 4)
                    put(dst, palette[p[i]]);
            }
            x += value;
            p += std::min<ptrdiff_t>(bytes + (bytes & 1), end - p);
        }
    }
    return true;
}

rw_raster* read_rle(const bmp_layout& layout, const uint8_t* data, size_t size)
{
    const int64_t pixels = int64_t{layout.width} * layout.rows;
    if (pixels > rle_free_pixels + static_cast<int64_t>(size / 2) * 255)
        return format_error();
    rw_raster* raster = allocate(layout.width, layout.rows);
    if (!raster)
        return nullptr;
    for (size_t i = 3; i < raster->pixels.size(); i += 4)
        raster->pixels[i] = 255;
    if (!decode_rle(layout, data, data + size, raster)) {
        rw_raster_destroy(raster);
        return format_error();
    }
    return raster;
}

// A file descriptor closed when it goes.
class file_handle {
public:
    // Non-blocking, so that a path naming a pipe cannot hang the caller.
    explicit file_handle(const char* path) : fd_(open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~file_handle()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    file_handle(const file_handle&) = delete;
    file_handle& operator=(const file_handle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// The whole of a regular file; false with the error set when it cannot be
// read or is too big to be a BMP.
bool read_file(const char* path, std::vector<uint8_t>& bytes)
{
    file_handle file(path);
    struct stat info;
    if (file.fd() < 0 || fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
        rw_set_error(rw_error_file);
        return false;
    }
    if (info.st_size > max_file_size) {
        rw_set_error(rw_error_format);
        return false;
    }
    try {
        bytes.resize(static_cast<size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        rw_set_error(rw_error_memory);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = read(file.fd(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            rw_set_error(rw_error_file);
            return false;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    // A file that shrank while it was read is read as far as it went.
    bytes.resize(done);
    return true;
}

rw_raster* read_path(const char* path)
{
    std::vector<uint8_t> bytes;
    if (!read_file(path, bytes))
        return nullptr;
    return rw_raster_read_bmp(bytes.data(), bytes.size());
}

// A BMP by bare name from the texture folder.
rw_raster* read_named(const std::string& name)
{
    if (name.empty()) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    const std::string path = rw_texture_folder_path(name.c_str(), "bmp");
    if (path.empty()) {
        rw_set_error(rw_error_file);
        return nullptr;
    }
    return read_path(path.c_str());
}

// Below half grey: 0.299 R + 0.587 G + 0.114 B < 128, in thousandths.
bool dark(const uint8_t* pixel)
{
    return 299 * pixel[0] + 587 * pixel[1] + 114 * pixel[2] < 128 * 1000;
}

}  // namespace

rw_raster* rw_raster_create(int width, int height)
{
    if (!size_allowed(width, height)) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    return allocate(width, height);
}

rw_raster* rw_raster_duplicate(const rw_raster* raster)
{
    if (!raster) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    try {
        return new rw_raster(*raster);
    } catch (const std::bad_alloc&) {
        rw_set_error(rw_error_memory);
        return nullptr;
    }
}

void rw_raster_destroy(rw_raster* raster)
{
    delete raster;
}

int rw_raster_width(const rw_raster* raster)
{
    return raster ? raster->width : 0;
}

int rw_raster_height(const rw_raster* raster)
{
    return raster ? raster->height : 0;
}

int rw_raster_depth(const rw_raster*)
{
    return 32;
}

uint8_t* rw_raster_pixels(rw_raster* raster)
{
    return raster ? raster->pixels.data() : nullptr;
}

const uint8_t* rw_raster_pixels(const rw_raster* raster)
{
    return raster ? raster->pixels.data() : nullptr;
}

rw_raster* rw_raster_read_bmp(const void* data, size_t size)
{
    if (!data)
        return format_error();
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    bmp_layout layout;
    size_t pixel_offset = 0;
    if (!read_layout(bytes, size, layout, pixel_offset))
        return format_error();
    if (layout.compression == bi_rle8 || layout.compression == bi_rle4)
        return read_rle(layout, bytes + pixel_offset, size - pixel_offset);
    return read_uncompressed(layout, bytes + pixel_offset, size - pixel_offset);
}

rw_raster* rw_raster_read(const char* path_or_name)
{
    if (!path_or_name) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    if (std::strchr(path_or_name, '/'))
        return read_path(path_or_name);
    std::string bare(path_or_name);
    return read_named(bare.substr(0, bare.find('.')));
}

rw_raster* rw_raster_read_mask(const char* name)
{
    if (!name) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    std::string bare(name);
    return read_named(bare.substr(0, bare.find('.')));
}

void rw_raster_apply_mask(rw_raster* raster, const rw_raster* mask)
{
    if (!raster || !mask)
        return;
    const int width = raster->width, height = raster->height;
    const int mask_width = mask->width, mask_height = mask->height;
    uint8_t* dst = raster->pixels.data();
    for (int y = 0; y < height; ++y) {
        const int mask_y = static_cast<int>(int64_t{y} * mask_height / height);
        const uint8_t* mask_row =
            mask->pixels.data() + static_cast<size_t>(mask_y) * static_cast<size_t>(mask_width) * 4;
        // mask_x = x * mask_width / width, stepped without a division:
        // mask_x * width + remainder == x * mask_width throughout.
        int mask_x = 0, remainder = 0;
        for (int x = 0; x < width; ++x, dst += 4) {
            dst[3] = dark(mask_row + static_cast<size_t>(mask_x) * 4) ? 0 : 255;
            remainder += mask_width;
            while (remainder >= width) {
                remainder -= width;
                ++mask_x;
            }
        }
    }
}
