#pragma once

// Warns, once per start, about a display with too few colours. 1 to go on
// with start-up, 0 when the user chose to exit.
int display_init();

// Whether a display of this many bits per pixel earns the warning, given
// the stored [display] depth (1: do not warn again).
int display_should_warn(int depth, int setting);
