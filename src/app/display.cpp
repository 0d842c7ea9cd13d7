#include "app/display.h"

int display_should_warn(int depth, int setting)
{
    // The renderer draws in true colour; only a display below 15 bits
    // loses enough to matter.
    return setting != 1 && depth < 15 ? 1 : 0;
}
