#include "net/privacy.h"

#include "base/log.h"
#include "base/profile.h"
#include "base/settings.h"
#include "net/login.h"

namespace {

struct privacy_state {
    int join = privacy_join_anyone;
    bool verify = false;
    bool hide_world = false;
};

privacy_state state;

// A mode the program does not know lets anyone join, as mode 0 does.
int known_mode(int join)
{
    return join == privacy_join_contacts || join == privacy_join_nobody ? join : privacy_join_anyone;
}

}  // namespace

void privacy_init()
{
    state.join = known_mode(settings_int("privacy", "join"));
    // The flags are on when exactly 1, as the log-in message reads hide_world.
    state.verify = settings_int("privacy", "verify") == 1;
    state.hide_world = settings_int("privacy", "hide_world") == 1;
    if (log_trace())
        log_write("privacy_init: join %d, verify %d, hide_world %d", state.join, privacy_verify(),
                  privacy_hide_world());
}

int privacy_join()
{
    return state.join;
}

int privacy_verify()
{
    return state.verify ? 1 : 0;
}

int privacy_hide_world()
{
    return state.hide_world ? 1 : 0;
}

void privacy_apply(int join, int verify, int hide_world)
{
    bool hide_changed = (hide_world != 0) != state.hide_world;
    state.join = known_mode(join);
    state.verify = verify != 0;
    state.hide_world = hide_world != 0;
    profile_set_int("privacy", "join", state.join);
    profile_set_int("privacy", "verify", privacy_verify());
    profile_set_int("privacy", "hide_world", privacy_hide_world());
    if (hide_changed)
        universe_relogin();
}
