#include "ui/layout.h"

void layout_update()
{
}
