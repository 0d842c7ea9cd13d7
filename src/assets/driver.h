#pragma once

// The rendering device: an OpenGL 3.3 core context of the program's own,
// shared with the windows that show its images. 1 when it runs.
int driver_init();
// Makes OpenGL 3.3 core, with a depth buffer, the format of every context
// (before the application object is made).
void driver_set_default_format();
// Keeps the OpenGL driver's modules loaded to the end of the process once
// the application has loaded them: the driver is needed until then, and
// leak reports can then name what it allocated.
void driver_keep_modules();
// Makes the rendering context current again (windows make their own
// current to paint). 0 when there is none.
int driver_make_current();
// Ends the rendering context (the last step of shutdown's 3D side).
void driver_term();
// 1 when a trial of the DirectDraw option was pending at start-up.
int driver_tried_directdraw();
