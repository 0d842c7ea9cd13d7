#pragma once

struct element;

// Sounds and music.
void sound_init();
void sound_update();
void sound_reset();
void sound_term();

// Registers a sound file of the world for download.
void sound_register(const char* name);
// Starts the named sound at the element's position as the element's sound,
// releasing the one it had.
void sound_object(element* e, const char* name);
// Plays the named sound once, not positional.
void sound_noise(const char* name);
