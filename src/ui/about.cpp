#include "ui/about.h"

int about_init()
{
    return 0;
}

void about_hide()
{
}
