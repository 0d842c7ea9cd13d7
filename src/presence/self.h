#pragma once

// The user's own presence: position, movement and own figure.
void self_init();
// Reads the keys and the mouse, moves the user through the objects around
// (a frame task).
void self_update();
void self_figure_reset();
void self_figure_rebuild();
// Shows or hides the position in the title.
void self_toggle_position();
// Shows or hides the altitude pane.
void self_toggle_altitude();
// The gesture the own figure shows (0: none) for the next 5 s.
void self_set_gesture(int gesture);

// A jump to a place (world units, yaw in degrees); ignored outside the
// world's limits.
void self_set_position(double x, double y, double z, float yaw);
// A glide to a place over the next frames; ignored outside the limits.
void self_glide_to(double x, double y, double z, float yaw);
// Where the user's feet are and which way the user faces.
void self_position(double* x, double* y, double* z, float* yaw);
// The body's height and the height of the eyes (world units).
double self_height();
double self_eye_height();
// The horizontal speed in metres per second.
double self_speed();
// The title is written again at the next frame (a new world).
void self_force_position_text();
// 1 while the user turns faster than a slow pan.
int self_is_turning();
int self_is_gliding();
int self_flying();
void self_set_flying(int flying);
// The cell the user is in as the title shows it ("ground zero", "12N 1E",
// in a static buffer) and the direction word the title shows ("N", "NW").
const char* self_coordinates();
const char* self_direction();
// The own figure, seen in third person.
void self_figure_show();
void self_figure_hide();
// The window that shows the title, set at start-up.
using self_title_view = void (*)(const char* title);
void self_set_title_view(self_title_view view);
