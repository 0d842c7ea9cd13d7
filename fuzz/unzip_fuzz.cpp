// Archive extraction on any bytes: the result is one of the documented
// codes, and the output file exists exactly when the extraction succeeded.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

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
    int result = unzip_memory(data, size, path.c_str());
    if (result < 0 || result > 8)
        std::abort();
    bool exists = access(path.c_str(), F_OK) == 0;
    if (exists != (result == 0))
        std::abort();
    if (exists)
        unlink(path.c_str());
    return 0;
}
