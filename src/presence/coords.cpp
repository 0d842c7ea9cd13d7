// Places written as coordinate texts.
#include "presence/coords.h"

#include <cmath>
#include <cstdio>

const char* coords_format(const place& p)
{
    static char text[96];
    double yaw = std::fmod(p.yaw, 360.0);
    if (yaw < 0)
        yaw += 360;
    std::snprintf(text, sizeof text, "%.1f%c %.1f%c %.1fa %.0f", std::fabs(p.z),
                  p.z >= 0 ? 'N' : 'S', std::fabs(p.x), p.x >= 0 ? 'W' : 'E', p.y, yaw);
    return text;
}
