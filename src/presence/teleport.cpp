#include "presence/teleport.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/menu.h"
#include "base/msg.h"
#include "base/msgbox.h"
#include "base/profile.h"
#include "behavior/behavior.h"
#include "behavior/pick.h"
#include "net/universe_codes.h"
#include "people/console.h"
#include "presence/camera.h"
#include "presence/coords.h"
#include "presence/places.h"
#include "presence/self.h"
#include "world/world.h"

namespace {

constexpr int command_back = 107;
constexpr int command_forward = 106;

struct history_entry {
    std::string world;
    place where{};
    bool third_person = false;
    bool flying = false;
};

// The places behind and ahead of the user; `current` indexes the entry of
// the place the user is at, -1 while the history is empty.
struct teleport_state {
    std::vector<history_entry> history;
    int current = -1;
};

teleport_state state;

place here()
{
    place p;
    self_position(&p.x, &p.y, &p.z, &p.yaw);
    return p;
}

// The present state, kept in the entry being left.
void store(history_entry* e)
{
    e->where = here();
    e->third_person = camera_third_person() != 0;
    e->flying = self_flying() != 0;
}

void enable_history_commands()
{
    menu_enable(command_back, state.current > 0 ? 1 : 0);
    menu_enable(command_forward,
                state.current + 1 < static_cast<int>(state.history.size()) ? 1 : 0);
}

// Goes to a history entry: its world, then its place.
void go_to(int index)
{
    if (state.current >= 0)
        store(&state.history[static_cast<size_t>(state.current)]);
    state.current = index;
    const history_entry& e = state.history[static_cast<size_t>(index)];
    world_enter(e.world.c_str(), 0);
    self_set_position(e.where.x, e.where.y, e.where.z, e.where.yaw);
    if (e.third_person)
        camera_track_self(0);
    else
        camera_track_ahead();
    self_set_flying(e.flying ? 1 : 0);
    enable_history_commands();
}

// Enters the first of the worlds that runs: 0, 184 when none runs, 1 for
// another failure (shown).
int enter_start_world()
{
    std::string home = profile_string("start", "world");
    int rc = universe::result_no_such_world;
    if (!home.empty()) {
        rc = world_enter(home.c_str(), 0);
        if (rc == universe::result_no_such_world && home != "qo")
            msgbox_show(msg(msg_product), msg(159), msgbox_warning, msgbox_ok);
    }
    if (rc == universe::result_no_such_world && home != "qo")
        rc = world_enter("qo", 0);
    if (rc == universe::result_no_such_world)
        rc = world_enter("gate", 0);
    if (rc == universe::result_no_such_world)
        return 184;
    if (rc != 0) {
        msgbox_show(msg(msg_product), msg(146, home.empty() ? "qo" : home.c_str()), msgbox_stop,
                    msgbox_ok);
        return 1;
    }
    return 0;
}

}  // namespace

int teleport_init()
{
    places_load();
    enable_history_commands();
    if (int n = enter_start_world())
        return n;
    teleport_home();
    return 0;
}

void teleport_history_push()
{
    if (state.current >= 0) {
        state.history.resize(static_cast<size_t>(state.current) + 1);
        store(&state.history.back());
    }
    state.history.push_back({world_current_name(), here()});
    state.current = static_cast<int>(state.history.size()) - 1;
    enable_history_commands();
}

void teleport_back()
{
    if (state.current > 0)
        go_to(state.current - 1);
}

void teleport_forward()
{
    if (state.current + 1 < static_cast<int>(state.history.size()))
        go_to(state.current + 1);
}

int teleport_can_go_back()
{
    return state.current > 0 ? 1 : 0;
}

void teleport_history_counts(int* back, int* forward)
{
    *back = std::max(state.current, 0);
    *forward = state.current < 0 ? 0 : static_cast<int>(state.history.size()) - 1 - state.current;
}

void teleport_jump(const char* world, const place& target)
{
    if (log_trace())
        log_write("teleport_jump (%s, %s)", world ? world : "", coords_format(target));
    if (world && *world && world_enter(world, 0) != 0) {
        console_print(console_immigration, "%s: %s", "Immigration Officer", msg(146, world));
        return;
    }
    pick_off();
    teleport_history_push();
    self_set_position(target.x, target.y, target.z, target.yaw);
}

void teleport_glide(const place& target)
{
    if (log_trace())
        log_write("teleport_glide (%s)", coords_format(target));
    place now = here();
    pick_off();
    if (std::hypot(target.x - now.x, target.z - now.z) > 10)
        teleport_history_push();
    self_glide_to(target.x, target.y, target.z, target.yaw);
}

void teleport_home()
{
    std::string world = profile_string("start", "world");
    std::string location = profile_string("start", "location");
    // With no home set, home is ground zero.
    if (location.empty())
        location = "0N 0W";
    behavior_post(msg_format("teleport %s %s", world.c_str(), location.c_str()));
}

void teleport_set_home()
{
    profile_set_string("start", "world", world_current_name());
    profile_set_string("start", "location", coords_format(here()));
}
