#pragma once

// The user's own presence: position, movement and own figure.
void self_init();
void self_update();
void self_figure_reset();
void self_figure_rebuild();
