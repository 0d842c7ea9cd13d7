#include "assets/backdrop.h"

void backdrop_set(const char* /*name*/, int /*length*/)
{
}

void backdrop_update()
{
}

void backdrop_clear()
{
}
