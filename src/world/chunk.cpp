#include "world/chunk.h"

void chunk_reset()
{
}

void chunk_term()
{
}
