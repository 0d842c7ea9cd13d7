#pragma once

#include <glm/glm.hpp>

#include "render/pick.h"

struct rw_camera;
struct rw_clump;

// A scene: the clumps drawn together under one light. A clump is in at
// most one scene and is drawn by every render of it until removed;
// destroying a clump takes it out of its scene.
struct rw_scene;

rw_scene* rw_scene_create();
// Takes every clump out (they live on) and frees the scene.
void rw_scene_destroy(rw_scene* scene);
// Adds a root clump (from another scene, it moves). 0 on success.
int rw_scene_add_clump(rw_scene* scene, rw_clump* clump);
void rw_scene_remove_clump(rw_scene* scene, rw_clump* clump);
rw_scene* rw_clump_scene(const rw_clump* clump);
int rw_scene_clump_count(const rw_scene* scene);

// A directional light shining along `direction`, and the ambient light
// (1 and 1 unless set).
void rw_scene_set_light(rw_scene* scene, const glm::vec3& direction, float brightness);
void rw_scene_set_ambient(rw_scene* scene, float brightness);

// Draws the scene into the camera between its begin and end of update.
// 0 on success.
int rw_scene_render(rw_scene* scene, rw_camera* camera);

// The clump hit first by the ray through a view point of the camera.
int rw_scene_pick(rw_scene* scene, const rw_camera* camera, float x, float y,
                  rw_pick_result* result);

// What the last render did, for measuring.
struct rw_render_stats {
    int draw_calls;
    int instances;   // clump parts drawn
    int culled;      // clumps outside the view
};
rw_render_stats rw_render_last_stats();
// Draws every part of every clump with a call of its own instead of
// together with its like (for measuring what drawing together saves).
void rw_render_set_batching(int on);
