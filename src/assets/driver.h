#pragma once

// The choice of rendering driver. 1 when a driver runs.
int driver_init();
// 1 when a trial of the DirectDraw option was pending at start-up.
int driver_tried_directdraw();
