#pragma once

// Steps animated textures every 200 ms of frame clock. A stall skips the
// steps it missed rather than catching up. Returns 1 when it stepped.
int frame_update();
// Forgets the next step time (tests).
void frame_reset();
