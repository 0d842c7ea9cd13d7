#include "assets/dloptions.h"

void dloptions_init()
{
}
