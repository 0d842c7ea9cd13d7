#include "assets/scene.h"

int scene_init()
{
    return 0;
}

void scene_update()
{
}

void scene_term()
{
}
