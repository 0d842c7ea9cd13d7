#pragma once

// The user's own presence: position, movement and own figure.
void self_init();
void self_update();
void self_figure_reset();
void self_figure_rebuild();
// Shows or hides the position in the title.
void self_toggle_position();
// Shows or hides the altitude pane.
void self_toggle_altitude();
// The gesture the own figure shows (0: none).
void self_set_gesture(int gesture);
