#include "ui/advanced.h"

#include "assets/model.h"
#include "assets/texture.h"
#include "base/profile.h"
#include "base/settings.h"

void advanced_init()
{
    model_set_keep_files(settings_int("advanced", "keep_rwx") == 1);
    texture_set_keep_files(settings_int("advanced", "keep_bmp") == 1);
}

void advanced_apply(int keep_rwx, int keep_bmp)
{
    profile_set_int("advanced", "keep_rwx", keep_rwx ? 1 : 0);
    profile_set_int("advanced", "keep_bmp", keep_bmp ? 1 : 0);
    advanced_init();
}
