#include "assets/download.h"

void download_init()
{
}

void download_update()
{
}

void download_reset()
{
}

void download_term()
{
}
