#pragma once
#include <cstdint>

struct rw_camera;
struct rw_raster;

// The camera that looks at the world and draws the 3D view.

// The camera's image sits in the view this many pixels in from the view's
// top-left corner.
constexpr int camera_border = 2;

// Creates the camera (200 x 120 until the view's size is known); 0 on
// success.
int camera_init();
// Makes the camera fit a view of this size: an even size less a two-pixel
// border. The size made is written back.
void camera_resize(int* width, int* height);
// The greatest view the camera takes: the screen's size.
int camera_max_width();
int camera_max_height();
// Places the camera: at the user's eyes in first person, following
// behind and above in third person.
void camera_update();
// The view window for the size and mode: narrower in third person.
void camera_size_viewwindow();
// Whether this frame draws at half size (high speed panning while turning).
void camera_choose();
// Bracket the drawing of a frame into the camera. A frame draws only when
// what the camera sees has changed since the last picture, and no sooner
// than the redraw period after it ([performance] redraw_rate pictures a
// second, 60 by default, 0 for no limit); camera_drawing tells whether it
// does.
void camera_begin_update();
void camera_end_update();
void camera_reset();
// Destroys the camera (closing the 3D side).
void camera_term();
// The background colour, components 0 to 255.
void camera_set_color(int red, int green, int blue);
// The backdrop images of the main and the half-size camera (the caller's,
// alive while set); none removes them.
void camera_set_backdrops(const rw_raster* main, const rw_raster* half);
// The rendering library's camera, or none; the half-size camera; the one
// whose image is the latest picture.
rw_camera* camera_get();
rw_camera* camera_half();
rw_camera* camera_shown();
int camera_third_person();
// 1 while the third-person camera is still more than a unit away from where
// it follows the user, across (x) or along (z).
int camera_settling();

// 1 between the camera's begin and end of update, while scenes draw.
int camera_drawing();
// 1 when the last picture no longer shows what the camera sees.
int camera_pending();
// Pictures drawn so far.
uint64_t camera_images();
// The least time between two pictures in ms; 0 for no limit.
int camera_redraw_period();
// The last image as RGBA bytes, top row first, in a buffer of the camera's
// width × height × 4; 0 on success.
int camera_read_pixels(unsigned char* rgba, int* width, int* height);
void camera_look_up();
void camera_look_down();
void camera_look_level();
// First person.
void camera_track_ahead();
// Third person; again, the next distance.
void camera_track_self(int repeat);
