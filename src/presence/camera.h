#pragma once

// The camera that looks at the world.
int camera_init();
void camera_update();
void camera_begin_update();
void camera_end_update();
void camera_reset();
