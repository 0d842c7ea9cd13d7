#include "base/clock.h"

#include <chrono>

namespace {

clock_source current_source = nullptr;

uint32_t system_ms()
{
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

uint32_t clock_ms()
{
    return current_source ? current_source() : system_ms();
}

void clock_set_source(clock_source source)
{
    current_source = source;
}
