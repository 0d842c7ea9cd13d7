#include "presence/teleport.h"

int teleport_init()
{
    return 0;
}
