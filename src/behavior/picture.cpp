#include "behavior/picture.h"

void picture_init()
{
}

void picture_update()
{
}

void picture_reset()
{
}
