#include "app/perform.h"

#include <unistd.h>

#include <algorithm>

#include "base/msg.h"
#include "base/msgbox.h"
#include "base/profile.h"
#include "base/settings.h"
#include "people/avatar.h"
#include "people/avatar_registry.h"
#include "presence/self.h"

namespace {

constexpr uint64_t memory_needed = 0x600000;
constexpr uint64_t memory_for_extras = 0xF00000;

int avatars = 1;
int lifeforms = 1;

constexpr int restart_notice = 207;

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

perform_choice perform_current()
{
    perform_choice c{};
    c.avatars = avatars;
    c.lifeforms = lifeforms;
    c.panning = settings_int("performance", "panning") == 1 ? 1 : 0;
    c.framerate = settings_int("performance", "framerate");
    c.visibility = settings_int("performance", "visibility");
    c.directdraw = profile_int("performance", "try_directdraw") == 1 ||
                   profile_int("performance", "directdraw") == 1;
    c.mmx = profile_int("performance", "mmx") == 1 ? 1 : 0;
    return c;
}

int perform_clamp_framerate(int value)
{
    return std::clamp(value, 3, 30);
}

int perform_clamp_visibility(int value)
{
    return std::clamp(value, 25, 120);
}

int perform_apply(const perform_choice& before, const perform_choice& after)
{
    if (after.avatars != before.avatars || after.lifeforms != before.lifeforms) {
        avatars = after.avatars ? 1 : 0;
        lifeforms = after.lifeforms ? 1 : 0;
        profile_set_int("performance", "avatars", avatars);
        profile_set_int("performance", "lifeforms", lifeforms);
        // Every figure is made again under the new switches.
        avatar_world_changed();
        avatar_definitions_fetch();
        self_figure_rebuild();
    }
    if (after.panning != before.panning)
        profile_set_int("performance", "panning", after.panning ? 1 : 0);
    profile_set_int("performance", "framerate", perform_clamp_framerate(after.framerate));
    profile_set_int("performance", "visibility", perform_clamp_visibility(after.visibility));

    int noticed = 0;
    auto notice = [&noticed] {
        if (!noticed)
            msgbox_show(msg(msg_product), msg(restart_notice), msgbox_information, msgbox_ok);
        noticed = 1;
    };
    int stored_mmx = profile_int("performance", "mmx") == 1 ? 1 : 0;
    if (!after.directdraw) {
        profile_set_int("performance", "directdraw", 0);
        profile_set_int("performance", "try_directdraw", 0);
    } else if (profile_int("performance", "try_directdraw") != 1 &&
               profile_int("performance", "directdraw") != 1) {
        notice();
        profile_set_int("performance", "try_directdraw", 1);
    }
    if ((after.mmx ? 1 : 0) != stored_mmx) {
        notice();
        profile_set_int("performance", "mmx", after.mmx ? 1 : 0);
    }
    return noticed;
}
