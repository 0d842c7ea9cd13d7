#include "assets/image.h"

void image_update()
{
}

void image_reset()
{
}

void image_term()
{
}
