#pragma once

// Mouse modes in the 3D view.
void mouse_init();
void mouse_activate();
void mouse_deactivate();
int mouse_is_mover();
void mouse_as_picker();
void mouse_as_mover();
// The cursor's offset from the view's centre in pixels (anchor less
// cursor: up walks forward, left turns left), re-centring it; 0, 0 unless
// the mouse steers.
void mouse_steer(int* turn, int* forward);
