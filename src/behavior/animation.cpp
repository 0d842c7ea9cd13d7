#include "behavior/animation.h"

void animation_update()
{
}
