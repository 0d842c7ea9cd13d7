#include "ui/web.h"

void web_init()
{
}

void web_update()
{
}

void web_term()
{
}
