#include "assets/texture.h"

void texture_reset()
{
}
