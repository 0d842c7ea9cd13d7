#include "ui/tab.h"

int tab_init()
{
    return 0;
}
