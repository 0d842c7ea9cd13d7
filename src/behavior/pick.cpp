#include "behavior/pick.h"

void pick_init()
{
}

void pick_update()
{
}

void pick_reset()
{
}
