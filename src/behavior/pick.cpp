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

void pick_command(int /*id*/)
{
}

void pick_off()
{
}

int pick_selected()
{
    return 0;
}
