#pragma once

// The choice of live cells around the viewer.
void visible_init();
void visible_update();
void visible_reset();
// Shows or hides the visibility pane.
void visible_toggle();
