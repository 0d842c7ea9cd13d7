#pragma once
#include <cstdint>

// The frame loop: one frame runs the fixed table of tasks front to back.
// Frames are driven by one timer: 500 ms until the application is first
// activated or deactivated, then 0 ms while it is active and 1000 ms while
// it is not. While active, a frame that found nothing new to draw lets the
// next one wait the camera's redraw period.

// Runs one frame, unless one is already running or an error message box
// is up.
void main_update();

// Starts the frame timer: at 500 ms, or at the pace of the application's
// state when it became active or inactive before.
void loop_start();
// Stops the frame timer.
void loop_stop();
// The application became active (0 ms) or inactive (1000 ms).
void loop_set_active(int active);
int loop_inactive();
// The frame timer's pace in ms (0, 500 or 1000), or -1 when it is not
// running.
int loop_period();
// Frames that ran their tasks since start-up.
uint64_t loop_frames();

// What the frames since the last reset cost the main thread, in processor
// time: the whole task table without the drawing (camera update, scene,
// viewport), the drawing alone, and the user's movement with its collision
// tests alone; medians, 99th percentiles and the worst in ms.
struct loop_costs {
    int frames;
    int drawn;  // frames that drew a picture
    double median_ms, p99_ms;
    double draw_median_ms, draw_p99_ms;  // over the frames that drew
    double move_median_ms, move_p99_ms, move_worst_ms;  // movement and collision
};
loop_costs loop_frame_costs();
void loop_reset_frame_costs();
