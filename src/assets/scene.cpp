#include "assets/scene.h"

#include "base/log.h"
#include "presence/camera.h"
#include "render/camera.h"
#include "render/scene.h"

namespace {

rw_scene* world = nullptr;

}  // namespace

int scene_init()
{
    world = rw_scene_create();
    if (log_trace())
        log_write("scene_init: %p", static_cast<void*>(world));
    rw_scene_set_light(world, glm::vec3(-0.8f, -0.5f, -0.2f), 1.0f);
    return world ? 0 : 1;
}

void scene_update()
{
    if (world && camera_drawing())
        rw_scene_render(world, camera_get());
}

void scene_term()
{
    rw_scene_destroy(world);
    world = nullptr;
}

rw_scene* scene_get()
{
    return world;
}

rw_clump* scene_pick(int x, int y)
{
    // The view's point on the camera's image, which the view's border
    // surrounds; the border and beyond show nothing.
    rw_camera* camera = camera_get();
    x -= camera_border;
    y -= camera_border;
    rw_pick_result hit;
    if (!world || !camera || x < 0 || y < 0 || x >= rw_camera_width(camera) ||
        y >= rw_camera_height(camera) ||
        !rw_scene_pick(world, camera, static_cast<float>(x) + 0.5f,
                       static_cast<float>(y) + 0.5f, &hit))
        return nullptr;
    return hit.clump;
}
