#include "clock.h"

#include <ctime>

namespace {

struct {
    bool frozen = false;
    int64_t ms = 0;  // frozen monotonic time; the seconds follow it
    int64_t seconds_base = 0;
} state;

int64_t read_clock(clockid_t id)
{
    timespec now{};
    clock_gettime(id, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

int64_t server_clock_ms()
{
    return state.frozen ? state.ms : read_clock(CLOCK_MONOTONIC);
}

int64_t server_clock_seconds()
{
    return state.frozen ? state.seconds_base + state.ms / 1000 : read_clock(CLOCK_REALTIME) / 1000;
}

void server_clock_freeze(int64_t seconds)
{
    state.frozen = true;
    state.ms = 0;
    state.seconds_base = seconds;
}

void server_clock_advance(int64_t ms)
{
    state.ms += ms;
}

void server_clock_release()
{
    state.frozen = false;
}
