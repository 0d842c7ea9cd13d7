#include "net/join.h"

void join_update()
{
}

void join_universe_message(const universe_message& /*message*/)
{
}
