#include "presence/focus.h"

int focus_init()
{
    return 0;
}

void focus_update()
{
}
