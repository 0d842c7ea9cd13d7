#include "app/perform.h"

#include <unistd.h>

#include "app/profile.h"

namespace {

constexpr uint64_t memory_needed = 0x600000;
constexpr uint64_t memory_for_extras = 0xF00000;

int avatars = 1;
int lifeforms = 1;

int read_switch(const char* key, int fallback)
{
    int value = profile_int("performance", key);
    return value == -1 ? fallback : value;
}

}  // namespace

int perform_init(uint64_t memory)
{
    if (memory < memory_needed)
        return 0;
    int fallback = memory < memory_for_extras ? 0 : 1;
    avatars = read_switch("avatars", fallback);
    lifeforms = read_switch("lifeforms", fallback);
    return 1;
}

uint64_t perform_memory()
{
    long pages = sysconf(_SC_PHYS_PAGES);
    long page_size = sysconf(_SC_PAGE_SIZE);
    // A system that cannot tell is taken to have enough.
    if (pages <= 0 || page_size <= 0)
        return UINT64_MAX;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size);
}

int perform_avatars()
{
    return avatars;
}

int perform_lifeforms()
{
    return lifeforms;
}
