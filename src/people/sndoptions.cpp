#include "people/sndoptions.h"

#include "base/log.h"
#include "base/profile.h"
#include "base/settings.h"

namespace {

struct sndoptions_state {
    bool sounds = true;
    bool music = true;
};

sndoptions_state state;

}  // namespace

void sndoptions_init()
{
    state.sounds = settings_int("sound", "sounds") != 0;
    state.music = settings_int("sound", "music") != 0;
    if (log_sound())
        log_write("sndoptions_init: sounds %d, music %d", state.sounds ? 1 : 0, state.music ? 1 : 0);
}

int sndoptions_sounds()
{
    return state.sounds ? 1 : 0;
}

int sndoptions_music()
{
    return state.music ? 1 : 0;
}

void sndoptions_apply(int sounds, int music)
{
    state.sounds = sounds != 0;
    state.music = music != 0;
    profile_set_int("sound", "sounds", sndoptions_sounds());
    profile_set_int("sound", "music", sndoptions_music());
}
