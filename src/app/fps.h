#pragma once

// The frame-rate meter: frames counted in ten one-second buckets, shown in
// a status-bar pane while [show] framerate is on.
void fps_init();
void fps_update();
void fps_toggle();
// Frames per second over about the last ten seconds.
double fps_rate();
// Empties the buckets (entering a world).
void fps_reset();
