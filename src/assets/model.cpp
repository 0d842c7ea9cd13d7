#include "assets/model.h"

int model_init()
{
    return 0;
}

void model_reset()
{
}

void model_set_keep_files(int /*keep*/)
{
}
