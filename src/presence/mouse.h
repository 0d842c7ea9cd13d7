#pragma once

// Mouse modes in the 3D view.
void mouse_init();
void mouse_activate();
void mouse_deactivate();
int mouse_is_mover();
void mouse_as_picker();
void mouse_as_mover();
