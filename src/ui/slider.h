#pragma once

// The splitters of the main window: 1 while the horizontal, or a vertical,
// one is being dragged (the frame then skips its tasks).
int slider_update();
int vslider_update();
