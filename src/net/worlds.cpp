#include "net/worlds.h"

void worlds_update()
{
}
