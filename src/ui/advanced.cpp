#include "ui/advanced.h"

void advanced_init()
{
}
