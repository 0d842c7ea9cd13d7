#include "behavior/sign.h"

void sign_init()
{
}

void sign_update()
{
}
