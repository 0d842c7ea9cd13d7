#include "presence/teleport.h"

int teleport_init()
{
    return 0;
}

void teleport_forward()
{
}

void teleport_back()
{
}

void teleport_dialog(const char* /*preset*/)
{
}

void teleport_remember()
{
}

void teleport_edit()
{
}

void teleport_home()
{
}

void teleport_set_home()
{
}

int teleport_command(int /*id*/)
{
    return 0;
}
