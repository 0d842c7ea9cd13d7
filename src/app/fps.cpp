#include "app/fps.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "app/meter.h"
#include "app/status.h"
#include "base/msg.h"
#include "base/profile.h"
#include "base/tick.h"

namespace {

constexpr int bucket_count = 10;
constexpr int pane_weight = 16;
constexpr int menu_item = 121;

struct bucket {
    uint32_t start = 0;
    uint32_t count = 0;
};

struct fps_state {
    std::array<bucket, bucket_count> buckets{};
    int current = 0;
    status_pane* pane = nullptr;
};

fps_state state;

}  // namespace

void fps_init()
{
    if (profile_int("show", "framerate") == 1)
        fps_toggle();
}

void fps_update()
{
    uint32_t now = tick_get();
    bucket& b = state.buckets[static_cast<size_t>(state.current)];
    if (now - b.start >= 1001) {
        state.current = (state.current + 1) % bucket_count;
        state.buckets[static_cast<size_t>(state.current)] = {now, 1};
    } else {
        ++b.count;
    }
    if (state.pane)
        status_change(state.pane, msg(26, fps_rate()));
}

void fps_toggle()
{
    meter_toggle(&state.pane, pane_weight, menu_item, "framerate");
}

double fps_rate()
{
    // The oldest bucket is the one after the current; in the first seconds,
    // before all ten have been used, it is the oldest one that has.
    uint32_t total = 0;
    for (const bucket& b : state.buckets)
        total += b.count;
    const bucket* oldest = nullptr;
    for (int i = 1; i <= bucket_count && !oldest; ++i) {
        const bucket& b = state.buckets[static_cast<size_t>((state.current + i) % bucket_count)];
        if (b.count > 0)
            oldest = &b;
    }
    if (!oldest)
        return 0.0;
    uint32_t span = tick_get() - oldest->start;
    if (span == 0)
        return 0.0;
    return total * 1000.0 / span;
}

void fps_reset()
{
    state.buckets = {};
    state.current = 0;
}
