#include "world/visible.h"

#include "assets/model.h"

void visible_init()
{
}

void visible_update()
{
    // Models whose art arrived since the last frame are swapped in first.
    model_flush();
}

void visible_reset()
{
}

void visible_toggle()
{
}
