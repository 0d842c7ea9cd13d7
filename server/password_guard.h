#pragma once
// Wrong passwords counted per address and citizen. After a few failures in
// a row every further check of that citizen's password from that address
// waits, the wait doubling with each failure, so that guessing slows to a
// crawl; other addresses and other citizens are not held up. Times are
// milliseconds of the server's monotonic clock.
#include <cstdint>

struct us_guard;

// `delay_ms` is the wait after the first failures that are let through.
us_guard* us_guard_create(int delay_ms);
void us_guard_destroy(us_guard* guard);

// Milliseconds until the password of `citizen` may be checked for a client
// at `address`; 0 when it may be now.
int64_t us_guard_wait(const us_guard* guard, uint32_t address, uint32_t citizen, int64_t now);
// Counts a wrong password. Returns the failures in a row.
int us_guard_failed(us_guard* guard, uint32_t address, uint32_t citizen, int64_t now);
// A right password: the count starts again.
void us_guard_passed(us_guard* guard, uint32_t address, uint32_t citizen);
// Forgets the counts that have seen no failure for a quarter of an hour.
void us_guard_prune(us_guard* guard, int64_t now);
