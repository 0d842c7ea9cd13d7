#include "app/placement.h"

placement placement_compute(int main_x, int main_y, int width, int height, int screen_width,
                            int screen_height)
{
    placement p{0, main_x, main_y, width, height};
    if (main_x == -1 || main_x >= screen_width || main_y == -1 || main_y >= screen_height)
        p.system_position = 1;
    // A window whose far edge is off the top or left of the screen could
    // never be reached.
    if (!p.system_position && (main_x + width < 0 || main_y + height < 0))
        p.system_position = 1;
    return p;
}
