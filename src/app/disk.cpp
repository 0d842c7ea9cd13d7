#include "app/disk.h"

void disk_init()
{
}

void disk_update()
{
}
