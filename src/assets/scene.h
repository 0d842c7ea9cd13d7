#pragma once

// The world scene.
int scene_init();
void scene_update();
void scene_term();
