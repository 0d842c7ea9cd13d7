#pragma once
#include <cstdint>

// The server's clocks, read through one place so that tests can drive time.
// Milliseconds of a monotonic clock (time-outs) and seconds since 1970
// (time stamps that are kept on disk, such as a telegram's sending time).
int64_t server_clock_ms();
int64_t server_clock_seconds();

// Tests: freeze both clocks (the seconds start at `seconds`), move them on
// by hand, and return to the system's clocks.
void server_clock_freeze(int64_t seconds);
void server_clock_advance(int64_t ms);
void server_clock_release();
