#include "behavior/color.h"

int color_init()
{
    return 0;
}
