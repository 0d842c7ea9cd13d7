#include "net/resolve.h"

int resolve_init()
{
    return 0;
}

void resolve_term()
{
}
