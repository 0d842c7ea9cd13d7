#include "base/tick.h"

#include "base/clock.h"

namespace {

uint32_t tick = 0;

}  // namespace

uint32_t tick_get()
{
    return tick;
}

void tick_update()
{
    tick = clock_ms();
}
