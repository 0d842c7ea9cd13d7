#include "ui/slider.h"

#include "ui/layout.h"

// The splitters' drags are handled by the layout's client area as the
// mouse moves; the frame only needs to know whether one is in progress.

int slider_update()
{
    return layout_dragging_horizontal();
}

int vslider_update()
{
    return layout_dragging_vertical();
}
