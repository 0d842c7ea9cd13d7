#include "world/world.h"

int world_init()
{
    return 0;
}

void world_update()
{
}

void world_term()
{
}
