#pragma once

// The 3D view.
int viewport_init();
void viewport_update();
