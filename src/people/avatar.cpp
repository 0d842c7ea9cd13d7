#include "people/avatar.h"

int avatar_init()
{
    return 0;
}

void avatar_update()
{
}

void avatar_reset()
{
}

void avatar_term()
{
}

void avatar_universe_message(const universe_message& /*message*/)
{
}

void avatar_set_own_type(int /*type*/)
{
}

void avatar_world_changed()
{
}
