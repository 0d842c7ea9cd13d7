#include "presence/mouse.h"

void mouse_init()
{
}

void mouse_activate()
{
}

void mouse_deactivate()
{
}

int mouse_is_mover()
{
    return 0;
}

void mouse_as_picker()
{
}

void mouse_as_mover()
{
}

void mouse_steer(int* turn, int* forward)
{
    *turn = 0;
    *forward = 0;
}
