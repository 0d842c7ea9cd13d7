#pragma once

// Places and their coordinate texts: "12.3N 0.5E 1.2a 270" (north–south,
// west–east, altitude, yaw, in world units and degrees). The action
// language's teleport and warp commands read them back.
struct place {
    double x, y, z;
    float yaw;
};

// Writes a place as "%.1f%c %.1f%c %.1fa %.0f" into a static buffer.
const char* coords_format(const place& p);
