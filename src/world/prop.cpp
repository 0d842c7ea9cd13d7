#include "world/prop.h"

void prop_init()
{
}

void prop_update()
{
}

void prop_term()
{
}
