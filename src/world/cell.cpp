#include "world/cell.h"

int cell_init()
{
    return 0;
}

void cell_reset()
{
}

void cell_term()
{
}
