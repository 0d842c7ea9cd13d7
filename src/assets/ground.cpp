#include "assets/ground.h"

void ground_update()
{
}
