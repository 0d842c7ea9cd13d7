#include "net/join.h"

void join_update()
{
}

void join_universe_message(int /*id*/, int /*rc*/, const unsigned char* /*body*/, size_t /*length*/)
{
}
