// Archive extraction on any bytes: the result is one of the documented
// codes, the output file exists exactly when the extraction succeeded, and
// the extraction into memory, with a file or without, gives the same
// result and the file's bytes.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/unzip.h"
#include "world/world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = [] {
        // Encrypted members of the seeds use this password.
        world_set_object_password("fuzz");
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder && *folder ? folder : "/tmp") + "/vireo_unzip_fuzz_" +
               std::to_string(getpid());
    }();
    std::vector<unsigned char> with_file;
    int result = unzip_memory(data, size, path.c_str(), &with_file);
    if (result < 0 || result > 8)
        std::abort();
    bool exists = access(path.c_str(), F_OK) == 0;
    if (exists != (result == 0) || (result != 0 && !with_file.empty()))
        std::abort();
    if (exists) {
        FILE* file = std::fopen(path.c_str(), "rb");
        std::vector<unsigned char> written(with_file.size() + 1);
        size_t read = file ? std::fread(written.data(), 1, written.size(), file) : 0;
        if (file)
            std::fclose(file);
        unlink(path.c_str());
        if (read != with_file.size() ||
            !std::equal(with_file.begin(), with_file.end(), written.begin()))
            std::abort();
    }
    std::vector<unsigned char> alone;
    if (unzip_memory(data, size, nullptr, &alone) != result || alone != with_file)
        std::abort();
    return 0;
}
