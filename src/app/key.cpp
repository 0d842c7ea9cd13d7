#include "app/key.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

std::array<uint8_t, 256> pressed{};
std::array<uint8_t, 256> held{};

bool valid(int code)
{
    return code >= 0 && code < 256;
}

}  // namespace

void key_down(int code)
{
    if (!valid(code))
        return;
    pressed[static_cast<size_t>(code)] = 1;
    held[static_cast<size_t>(code)] = 1;
}

void key_up(int code)
{
    if (valid(code))
        held[static_cast<size_t>(code)] = 0;
}

int key_query(int code)
{
    if (!valid(code))
        return 0;
    auto i = static_cast<size_t>(code);
    if (pressed[i]) {
        pressed[i] = 0;
        return 1;
    }
    return held[i];
}

void key_clear()
{
    pressed.fill(0);
    held.fill(0);
}

int key_held(int code)
{
    return valid(code) ? held[static_cast<size_t>(code)] : 0;
}
