#include "presence/camera.h"

int camera_init()
{
    return 0;
}

void camera_update()
{
}

void camera_begin_update()
{
}

void camera_end_update()
{
}

void camera_reset()
{
}
