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
