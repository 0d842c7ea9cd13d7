#include "ui/viewport.h"

#include "ui/viewport_window.h"

int viewport_init()
{
    return viewport_window_create() ? 0 : 1;
}

void viewport_update()
{
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
