#include "net/universe.h"

void universe_init()
{
}

void universe_update()
{
}

void universe_term()
{
}
