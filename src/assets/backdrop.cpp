#include "assets/backdrop.h"

void backdrop_update()
{
}

void backdrop_clear()
{
}
