#include "assets/model.h"

int model_init()
{
    return 0;
}

void model_reset()
{
}
