#include "assets/dloptions.h"

#include "base/log.h"
#include "base/profile.h"

namespace {

struct dloptions_state {
    int pictures = 100;
    int audio = 150;
};

dloptions_state state;

// The stored option, or the fallback when the key is missing.
int option(const char* key, int fallback)
{
    int value = profile_int("downloads", key);
    return value == -1 ? fallback : value;
}

}  // namespace

void dloptions_init()
{
    // A missing urls switch reads as -1, which leaves the defaults on.
    bool urls = profile_int("performance", "urls") != 0;
    state.pictures = option("pictures", urls ? 100 : 0);
    state.audio = option("audio", urls ? 150 : 0);
    if (log_download())
        log_write("dloptions_init: pictures %d, audio %d", state.pictures, state.audio);
}

int dloptions_pictures()
{
    return state.pictures;
}

int dloptions_audio()
{
    return state.audio;
}

void dloptions_apply(int pictures, int audio)
{
    state.pictures = pictures;
    state.audio = audio;
    profile_set_int("downloads", "pictures", pictures);
    profile_set_int("downloads", "audio", audio);
}
