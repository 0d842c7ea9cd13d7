#include "ui/viewport.h"

#include "presence/camera.h"
#include "ui/viewport_window.h"

int viewport_init()
{
    if (!viewport_window_create())
        return 1;
    // The camera was made before the view; the view takes it now.
    viewport_window_set_camera(camera_get());
    return 0;
}

void viewport_update()
{
    viewport_window_repaint();
}

void viewport_set_camera(rw_camera* camera)
{
    viewport_window_set_camera(camera);
}

void viewport_add_overlay(void (*paint)(QPainter* painter))
{
    viewport_window_add_overlay(paint);
}

void viewport_left_click(int /*x*/, int /*y*/)
{
}

void viewport_right_click(int /*x*/, int /*y*/)
{
}
