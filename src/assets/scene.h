#pragma once

struct rw_clump;
struct rw_scene;

// The world scene: every object of the world, under one light.
int scene_init();
// Draws the world into the camera (a frame task, inside the camera's
// update).
void scene_update();
void scene_term();
rw_scene* scene_get();
// The clump under a point of the 3D view (pixels from the view's top-left
// corner), or none.
rw_clump* scene_pick(int x, int y);
