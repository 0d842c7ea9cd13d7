#include "people/avatar.h"

#include "base/log.h"

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

void avatar_show_others(int shown)
{
    if (log_trace())
        log_write("avatar_show_others (%d)", shown);
}
