// The BMP reader on any bytes: it never reads out of bounds or crashes, and
// a raster it gives is opaque and holds exactly width x height pixels.
#include <cstdint>
#include <cstdlib>

#include "render/raster.h"

#if defined(__SANITIZE_ADDRESS__)
#define BMP_FUZZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BMP_FUZZ_ASAN 1
#endif
#endif
#ifdef BMP_FUZZ_ASAN
// From the sanitizer runtime: the size asked for when `p` was allocated.
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* p);
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rw_raster* raster = rw_raster_read_bmp(data, size);
    if (!raster)
        return 0;
    const int width = rw_raster_width(raster), height = rw_raster_height(raster);
    const uint8_t* pixels = rw_raster_pixels(raster);
    if (width <= 0 || height <= 0 || rw_raster_depth(raster) != 32 || !pixels)
        std::abort();
    // Every alpha byte of width x height pixels is read: a shorter buffer
    // is an overflow that AddressSanitizer reports.
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    for (size_t i = 3; i < bytes; i += 4) {
        if (pixels[i] != 255)
            std::abort();
    }
#ifdef BMP_FUZZ_ASAN
    // A longer one shows in the size of its allocation.
    if (__sanitizer_get_allocated_size(pixels) != bytes)
        std::abort();
#endif
    rw_raster_destroy(raster);
    return 0;
}
