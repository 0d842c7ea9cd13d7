#pragma once

// Whether a display of this many bits per pixel earns the warning, given
// the stored [display] depth (1: do not warn again).
int display_should_warn(int depth, int setting);
