// The settings file's reader and editor on any text: reads never fail or
// overrun, and a key written is read back as written.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string value;
    ini_get(text, "debug", "trace", &value);
    ini_get(text, "", "", &value);

    // The last line names the section, key and value to write.
    size_t cut = text.rfind('\n');
    std::string_view body = cut == std::string_view::npos ? text : text.substr(0, cut);
    std::string_view tail = cut == std::string_view::npos ? "" : text.substr(cut + 1);
    std::string section = "s", key = "k", written(tail);
    if (tail.size() >= 2 && tail.find_first_of("[]=;#\"'\r\n \t") == std::string_view::npos) {
        section = std::string(tail.substr(0, tail.size() / 2));
        key = std::string(tail.substr(tail.size() / 2));
    }
    std::string updated = ini_put(body, section, key, written);
    if (!ini_get(updated, section, key, &value))
        std::abort();
    // What comes back is the value without line breaks, trimmed and
    // without one pair of enclosing quotes.
    if (value.find('\n') != std::string::npos)
        std::abort();
    return 0;
}
