#include "world/database.h"

int database_init()
{
    return 0;
}
