#include "assets/texture.h"

void texture_reset()
{
}

void texture_set_keep_files(int /*keep*/)
{
}
