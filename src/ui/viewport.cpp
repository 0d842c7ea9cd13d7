#include "ui/viewport.h"

int viewport_init()
{
    return 0;
}

void viewport_update()
{
}
