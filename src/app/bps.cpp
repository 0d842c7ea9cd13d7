#include "app/bps.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "app/meter.h"
#include "app/status.h"
#include "base/msg.h"
#include "base/profile.h"
#include "base/tick.h"

namespace {

constexpr int counter_count = 10;
constexpr int pane_weight = 12;
constexpr int menu_item = 122;

struct bps_state {
    std::array<int64_t, counter_count> counters{};
    int current = 0;
    uint32_t next_step = 0;
    bool stepping = false;
    status_pane* pane = nullptr;
};

bps_state state;

}  // namespace

void bps_init()
{
    if (profile_int("show", "bandwidth") == 1)
        bps_toggle();
}

void bps_add(int bytes)
{
    state.counters[static_cast<size_t>(state.current)] += bytes;
}

void bps_update()
{
    uint32_t now = tick_get();
    if (state.stepping && static_cast<int32_t>(now - state.next_step) < 0)
        return;
    if (state.pane) {
        int64_t total = 0;
        for (int64_t c : state.counters)
            total += c;
        status_change(state.pane, msg(118, total * 0.0001));
    }
    state.current = (state.current + 1) % counter_count;
    state.counters[static_cast<size_t>(state.current)] = 0;
    state.next_step = state.stepping ? state.next_step + 1000 : now + 1000;
    state.stepping = true;
}

void bps_toggle()
{
    meter_toggle(&state.pane, pane_weight, menu_item, "bandwidth");
}
