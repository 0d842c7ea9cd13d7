#pragma once

class QPainter;

// The 3D view: a window that shows the camera's image (camera_get), with
// texts painted over it (balloons, the focus label).

// Creates the view in the main window; 0 on success.
int viewport_init();
// Shows the camera's picture when a new one was drawn (a frame task).
void viewport_update();
// Adds a painter of texts over the image, called each time the view paints.
void viewport_add_overlay(void (*paint)(QPainter* painter));
// A click in the view at this point of it: picking, walking or opening
// what was clicked.
void viewport_left_click(int x, int y);
void viewport_right_click(int x, int y);
