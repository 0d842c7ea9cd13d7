#include "assets/driver.h"

#include "app/profile.h"

namespace {

bool tried_directdraw = false;

}  // namespace

int driver_init()
{
    // A trial of the option is cleared at once, so that a trial that ends
    // in a crash is not repeated; a normal shutdown makes it the setting.
    tried_directdraw = profile_int("performance", "try_directdraw") == 1;
    profile_set_int("performance", "try_directdraw", 0);
    return 1;
}

int driver_tried_directdraw()
{
    return tried_directdraw ? 1 : 0;
}
