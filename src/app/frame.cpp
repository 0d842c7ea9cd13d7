#include "app/frame.h"

#include <cstdint>

#include "base/tick.h"
#include "render/render.h"

namespace {

constexpr uint32_t step_ms = 200;

uint32_t next_step = 0;

bool reached(uint32_t now)
{
    return static_cast<int32_t>(now - next_step) >= 0;
}

}  // namespace

int frame_update()
{
    uint32_t now = tick_get();
    if (next_step == 0) {
        next_step = now + step_ms;
        return 0;
    }
    if (!reached(now))
        return 0;
    rw_textures_advance();
    if (reached(now))
        next_step += ((now - next_step + step_ms) / step_ms) * step_ms;
    return 1;
}

void frame_reset()
{
    next_step = 0;
}
