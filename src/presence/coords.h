#pragma once

// Coordinate texts: "12.3N 0.5E 1.2a 270" (north–south, west–east,
// altitude, yaw, in world units and degrees) and their relative forms
// "+1 -2 +0.5a +90", which add to the place the user is at.
struct place {
    double x, y, z;
    float yaw;
};

// Reads a place; 1 when it is one. Relative numbers add to `here`; mixing
// relative and absolute numbers, or a wrong direction letter, is refused.
int coords_parse(const char* text, const place& here, place* out);
// Writes a place as "%.1f%c %.1f%c %.1fa %.0f" into a static buffer.
const char* coords_format(const place& p);
