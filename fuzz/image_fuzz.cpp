// The image converter on any bytes as a JPEG: the memory source keeps the
// decoder within them, the job ends exactly once, and a file is left only
// when the conversion succeeded, with the size its header gives and the
// bytes handed over in memory.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "assets/image.h"

namespace {

int calls = 0;
int outcome = -1;
std::vector<uint8_t> handed;

void done(void*, int result, const unsigned char* bmp, size_t size)
{
    ++calls;
    outcome = result;
    handed.assign(bmp, bmp + size);
}

const std::string& output_path()
{
    static const std::string path = [] {
        std::atexit(image_term);
        return (std::filesystem::temp_directory_path() /
                ("vireo-image-fuzz-" + std::to_string(getpid()) + ".bmp"))
            .string();
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = output_path();
    calls = 0;
    image_convert(data, size, path.c_str(), done, nullptr);
    while (image_queued() > 0)
        image_update();
    if (calls != 1 || (outcome != 0 && outcome != 1))
        std::abort();
    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    if (exists != (outcome == 0) || (outcome != 0 && !handed.empty()))
        std::abort();
    if (exists) {
        // Header, table, and rows of the width padded to 4 bytes.
        FILE* file = std::fopen(path.c_str(), "rb");
        uint8_t header[26] = {};
        const bool read = file && std::fread(header, 1, sizeof header, file) == sizeof header;
        if (file)
            std::fclose(file);
        auto u32 = [&](int at) {
            return static_cast<uint64_t>(header[at]) | uint64_t{header[at + 1]} << 8 |
                   uint64_t{header[at + 2]} << 16 | uint64_t{header[at + 3]} << 24;
        };
        const uint64_t expected = 1078 + ((u32(18) + 3) & ~uint64_t{3}) * u32(22);
        if (!read || u32(2) != expected || std::filesystem::file_size(path) != expected ||
            handed.size() != expected || handed[0] != 'B' || handed[1] != 'M')
            std::abort();
        std::filesystem::remove(path, error);
    }
    return 0;
}
