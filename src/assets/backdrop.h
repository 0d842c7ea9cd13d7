#pragma once

// The backdrop behind the scene.
void backdrop_update();
void backdrop_clear();
