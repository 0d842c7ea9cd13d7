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

void prop_toggle_cache()
{
}
