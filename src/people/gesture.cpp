#include "people/gesture.h"

void gesture_init()
{
}

int gesture_key(int /*code*/)
{
    return 0;
}

int gesture_command(int /*id*/)
{
    return 0;
}

void gesture_reset()
{
}

void gesture_bar_rebuild()
{
}
