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

const char* world_current_name()
{
    return "";
}

void world_options()
{
}

int world_avatar()
{
    return 0;
}

void world_set_avatar(int /*number*/)
{
}
