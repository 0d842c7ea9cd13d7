#include "people/console.h"

int console_init()
{
    return 0;
}

void console_term()
{
}
