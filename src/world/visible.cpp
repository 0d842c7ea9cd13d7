#include "world/visible.h"

void visible_init()
{
}

void visible_update()
{
}

void visible_reset()
{
}

void visible_toggle()
{
}
