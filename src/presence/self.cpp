#include "presence/self.h"

void self_init()
{
}

void self_update()
{
}

void self_figure_reset()
{
}

void self_figure_rebuild()
{
}

void self_toggle_position()
{
}

void self_toggle_altitude()
{
}

void self_set_gesture(int /*gesture*/)
{
}
