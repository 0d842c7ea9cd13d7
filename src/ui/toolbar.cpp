#include "ui/toolbar.h"

int toolbar_init()
{
    return 0;
}

void toolbar_show(int /*shown*/)
{
}
