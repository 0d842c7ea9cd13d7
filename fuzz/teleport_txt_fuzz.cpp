// The remembered places' file reader on any text: every place it keeps
// fits the file's limits, and the list written back reads back alike with
// no line skipped.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "presence/places.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    places_term();
    places_parse(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> seen;
    for (int i = 0; i < places_count(); ++i) {
        size_t name = std::strlen(places_name(i));
        size_t location = std::strlen(places_location(i));
        if (name == 0 || name > places_name_limit || location == 0 ||
            location > places_location_limit || std::strchr(places_location(i), ':'))
            std::abort();
        seen.push_back(std::string(places_location(i)) + ":" + places_name(i));
    }
    std::string text = places_text();
    places_clear();
    if (places_parse(text.data(), text.size()) != 0 ||
        places_count() != static_cast<int>(seen.size()))
        std::abort();
    for (int i = 0; i < places_count(); ++i) {
        if (seen[static_cast<size_t>(i)] != std::string(places_location(i)) + ":" + places_name(i))
            std::abort();
    }
    places_term();
    return 0;
}
