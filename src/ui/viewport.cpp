#include "ui/viewport.h"

#include <cstdint>

#include "presence/camera.h"
#include "ui/viewport_window.h"

namespace {

uint64_t shown = 0;  // the camera's pictures the view has been asked to show

}  // namespace

int viewport_init()
{
    return viewport_window_create() ? 0 : 1;
}

void viewport_update()
{
    if (camera_images() == shown)
        return;
    shown = camera_images();
    viewport_window_repaint();
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
