#include "password_guard.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

// Failures in a row answered without a wait (typing mistakes).
constexpr int free_failures = 3;
// The longest wait, and how long a count is kept after its last failure.
constexpr int64_t max_wait_ms = 60 * 1000;
constexpr int64_t keep_ms = 15 * 60 * 1000;
// Counts kept at most; the oldest goes first beyond that.
constexpr size_t max_counts = 65536;

struct failures {
    int count = 0;
    int64_t last = 0;        // the time of the last failure
    int64_t next_check = 0;  // no check before this time
};

}  // namespace

struct us_guard {
    int delay_ms = 0;
    std::map<std::pair<uint32_t, uint32_t>, failures> counts;
};

us_guard* us_guard_create(int delay_ms)
{
    auto* guard = new us_guard;
    guard->delay_ms = delay_ms;
    return guard;
}

void us_guard_destroy(us_guard* guard)
{
    delete guard;
}

int64_t us_guard_wait(const us_guard* guard, uint32_t address, uint32_t citizen, int64_t now)
{
    auto it = guard->counts.find({address, citizen});
    return it == guard->counts.end() ? 0 : std::max<int64_t>(it->second.next_check - now, 0);
}

int us_guard_failed(us_guard* guard, uint32_t address, uint32_t citizen, int64_t now)
{
    if (guard->counts.size() >= max_counts && !guard->counts.count({address, citizen})) {
        auto oldest = std::min_element(guard->counts.begin(), guard->counts.end(),
                                       [](const auto& a, const auto& b) {
                                           return a.second.last < b.second.last;
                                       });
        guard->counts.erase(oldest);
    }
    failures& f = guard->counts[{address, citizen}];
    ++f.count;
    f.last = now;
    if (f.count >= free_failures) {
        int doublings = std::min(f.count - free_failures, 16);
        f.next_check = now + std::min(int64_t{guard->delay_ms} << doublings, max_wait_ms);
    }
    return f.count;
}

void us_guard_passed(us_guard* guard, uint32_t address, uint32_t citizen)
{
    guard->counts.erase({address, citizen});
}

void us_guard_prune(us_guard* guard, int64_t now)
{
    std::erase_if(guard->counts, [now](const auto& entry) {
        return now - entry.second.last >= keep_ms;
    });
}
