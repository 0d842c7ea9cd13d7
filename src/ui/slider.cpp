#include "ui/slider.h"

void slider_init()
{
}

void vslider_init()
{
}

int slider_update()
{
    return 0;
}

int vslider_update()
{
    return 0;
}
