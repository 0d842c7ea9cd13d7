#include "net/join.h"

void join_update()
{
}
