#include "people/balloon.h"

void balloon_init()
{
}

void balloon_update()
{
}
