#pragma once

#include <glm/glm.hpp>

struct rw_clump;
struct rw_scene;

// The model registry: every object and avatar part is an instance of a
// model named by the world. An instance shows a tiny placeholder while
// nothing is known, an untextured ("flat") version while the model's
// textures download, and the full model once everything is there. A model
// is fetched as "<name>.zip" from the world's object path, converted once
// and kept in the model store, so that later sessions load it without
// parsing.
struct model_instance;

// Creates the placeholder; 0 on success.
int model_init();
// A new instance of the model `name` in `folder` ("models" or "avatars"),
// put into `scene`, or into the world scene by the next model_flush when
// none is given. None when the name is missing.
model_instance* model_reference(const char* folder, const char* name, rw_scene* scene);
void model_dereference(model_instance* instance);
// Puts the instance into its scene again, or keeps it out (whichever clump
// it shows meanwhile).
void model_show(model_instance* instance, int shown);
// Swaps in the clumps made since the last call and puts new instances into
// the world scene.
void model_flush();
// The model's height (top - base) and lowest point, and its box; 0 while
// the model is not measured yet.
int model_height(model_instance* instance, float* height);
int model_base(model_instance* instance, float* base);
int model_get_bbox(model_instance* instance, glm::vec3* minimum, glm::vec3* maximum);
// Draws the instance highlighted for building, or normally.
void model_select(model_instance* instance);
void model_unselect(model_instance* instance);
rw_clump* model_clump(const model_instance* instance);
// The full model is shown: nothing is pending any more.
int model_is_ready(const model_instance* instance);
// Whether unpacked model files (.rwx, .wrl) are written to the cache folder
// and stay there; an encrypted model is held in memory only.
void model_set_keep_files(int keep);
// Leaving a world: every model record goes.
void model_reset();
void model_term();

// What an instance shows, for tests: the placeholder, the flat version or
// the full model.
enum model_look { model_look_placeholder = 0, model_look_flat = 1, model_look_full = 2 };
int model_look(const model_instance* instance);
