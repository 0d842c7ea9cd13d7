#include "base/settings.h"

#include <algorithm>
#include <strings.h>

#include "base/profile.h"

namespace {

// How a stored value is kept in range.
enum limit_rule {
    none,         // used as read
    at_least,     // raised to low
    zero_or_range // 0 stays 0; anything else is kept within low..high
};

struct key_rule {
    const char* section;
    const char* key;
    int fallback;  // used when the key is missing (reads -1)
    limit_rule rule;
    int low;
    int high;
};

// Keys whose default depends on other state (the memory size, the
// [performance] urls switch, the screen) are handled by their owners.
constexpr key_rule rules[] = {
    {"universe", "port", 5670, none, 0, 0},
    {"privilege", "privilege", 0, none, 0, 0},
    {"privilege", "id", 0, none, 0, 0},
    {"privacy", "join", 0, none, 0, 0},
    {"privacy", "verify", 0, none, 0, 0},
    {"privacy", "hide_world", 0, none, 0, 0},
    {"special", "kiosk", 0, none, 0, 0},
    {"show", "downloads", 0, none, 0, 0},
    {"show", "web", 1, none, 0, 0},
    {"layout", "main_width", 640, at_least, 300, 0},
    {"layout", "main_height", 480, at_least, 170, 0},
    {"layout", "maximized", 0, none, 0, 0},
    {"layout", "chaty", 300, none, 0, 0},
    {"layout", "tabx", 165, none, 0, 0},
    {"layout", "webx", 475, none, 0, 0},
    {"layout", "tabpage", 0, none, 0, 0},
    {"layout", "world_name", 75, none, 0, 0},
    {"layout", "world_users", 60, none, 0, 0},
    {"layout", "world_sort", 0, none, 0, 0},
    {"layout", "contacts_name", 100, none, 0, 0},
    {"layout", "contacts_world", 70, none, 0, 0},
    {"layout", "from", 90, none, 0, 0},
    {"layout", "date", 90, none, 0, 0},
    {"layout", "telegram_sort", 1, none, 0, 0},
    {"layout", "object", 0, none, 0, 0},
    {"performance", "panning", 0, none, 0, 0},
    {"performance", "framerate", 7, none, 0, 0},
    {"performance", "visibility", 40, none, 0, 0},
    {"sound", "sounds", 1, none, 0, 0},
    {"sound", "music", 1, none, 0, 0},
    {"disk", "limit", 50, zero_or_range, 20, 999},
    {"disk", "delete", 0, zero_or_range, 1, 180},
    {"advanced", "keep_rwx", 0, none, 0, 0},
    {"advanced", "keep_bmp", 0, none, 0, 0},
};

const key_rule* find_rule(const char* section, const char* key)
{
    for (const key_rule& r : rules) {
        if (strcasecmp(r.section, section) == 0 && strcasecmp(r.key, key) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace

int settings_int(const char* section, const char* key)
{
    int value = profile_int(section, key);
    const key_rule* r = find_rule(section, key);
    if (!r)
        return value;
    if (value == -1)
        return r->fallback;
    switch (r->rule) {
    case none:
        break;
    case at_least:
        value = std::max(value, r->low);
        break;
    case zero_or_range:
        if (value != 0)
            value = std::clamp(value, r->low, r->high);
        break;
    }
    return value;
}
