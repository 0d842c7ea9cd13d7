#pragma once
#include <cstdint>

#include <glm/glm.hpp>

struct rw_raster;

// A camera: an image of its own size that scenes are drawn into, seen from
// a place in the world. The camera looks along its local -Z axis with +Y
// up; its view window is the half-size of what it sees at distance 1.
// View coordinates are pixels of its viewport, from the top-left corner.
struct rw_camera;

// A camera with an image of this size; needs the library's context. None
// when the size is not possible (rw_error tells why).
rw_camera* rw_camera_create(int width, int height);
void rw_camera_destroy(rw_camera* camera);
int rw_camera_width(const rw_camera* camera);
int rw_camera_height(const rw_camera* camera);

// Where the camera is and which way it looks.
void rw_camera_set_view(rw_camera* camera, const glm::vec3& position, const glm::vec3& forward,
                        const glm::vec3& up);
void rw_camera_point_at(rw_camera* camera, const glm::vec3& target, const glm::vec3& up);
glm::vec3 rw_camera_position(const rw_camera* camera);
glm::vec3 rw_camera_forward(const rw_camera* camera);
// Camera to world: columns right, up, backward and position.
glm::mat4 rw_camera_matrix(const rw_camera* camera);
void rw_camera_set_matrix(rw_camera* camera, const glm::mat4& matrix);

void rw_camera_set_viewport(rw_camera* camera, int x, int y, int width, int height);
void rw_camera_viewport(const rw_camera* camera, int* x, int* y, int* width, int* height);
void rw_camera_set_view_window(rw_camera* camera, float half_width, float half_height);
void rw_camera_view_window(const rw_camera* camera, float* half_width, float* half_height);
void rw_camera_set_near(rw_camera* camera, float distance);
void rw_camera_set_far(rw_camera* camera, float distance);
void rw_camera_set_background(rw_camera* camera, float red, float green, float blue);

// An image drawn behind everything, repeated sideways: its top-left corner
// at the offset within the rectangle of the viewport that it fills. The
// raster stays the caller's and must live while it is set; setting it again
// takes in changed pixels. None removes it.
void rw_camera_set_backdrop(rw_camera* camera, const rw_raster* raster);
void rw_camera_set_backdrop_offset(rw_camera* camera, int x, int y);
void rw_camera_set_backdrop_rect(rw_camera* camera, int x, int y, int width, int height);

// Brackets the drawing of a frame: the viewport is cleared to the
// background and the backdrop drawn, then scenes render into the camera
// one after another, sharing its depth. 0 on success.
int rw_camera_begin_update(rw_camera* camera);
void rw_camera_end_update(rw_camera* camera);

// The image as RGBA bytes, top row first (width × height × 4). 0 on
// success.
int rw_camera_read_pixels(rw_camera* camera, uint8_t* rgba);
// The image's GL texture, to show it in a window of the same context group.
unsigned rw_camera_texture(const rw_camera* camera);

// A world point in view coordinates; 1 when it is in front of the camera.
int rw_camera_project(const rw_camera* camera, const glm::vec3& point, float* x, float* y);
// The ray from the camera through a point of the view; the direction
// reaches the plane at distance 1.
void rw_camera_ray(const rw_camera* camera, float x, float y, glm::vec3* origin,
                   glm::vec3* direction);

// The projection and view the camera draws with.
glm::mat4 rw_camera_view_projection(const rw_camera* camera);
