// vireo-server's worlds file on any text: the parser never fails, and what
// it accepts keeps the rules the registry relies on (names of 1 to 8
// letters and digits, unique without regard to case; short titles; a
// bounded count).
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "worlds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<server_world_config> worlds;
    std::string error;
    int line = server_worlds_parse(text, &worlds, &error);
    if (line != 0) {
        if (line < 0 || error.empty())
            std::abort();
        return 0;
    }
    if (worlds.size() > server_worlds_max)
        std::abort();
    server_worlds* registry = server_worlds_create();
    for (const server_world_config& w : worlds) {
        if (w.name.empty() || w.name.size() > server_world_name_max || w.title.empty() ||
            w.title.size() > server_world_title_max)
            std::abort();
        for (char c : w.name) {
            if (!std::isalnum(static_cast<unsigned char>(c)))
                std::abort();
        }
        if (server_worlds_add(registry, w.name, w.title, 1) != 0)
            std::abort();
    }
    server_worlds_destroy(registry);
    return 0;
}
