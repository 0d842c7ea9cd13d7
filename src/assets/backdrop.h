#pragma once

// The backdrop behind the scene: a panorama fetched as "<name>.jpg" from
// the world's textures, scrolled with the view's heading and pitch.
void backdrop_set(const char* name, int length);
void backdrop_update();
void backdrop_clear();
