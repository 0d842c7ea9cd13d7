#pragma once

struct element;

// Object frame animation: textures "<base>1" to "<base>N" shown in turn on
// an object.
void animation_update();
// Requests the textures of an animation, and their masks when `masked`.
void animation_preload(const char* base, int pictures, int masked);
// Gives the element an animation of `frame_count` frames, `delay` ms apart;
// `frames` holds the 0-based picture of each frame, or is null for the
// pictures in order.
void animation_create(element* e, int tag, int masked, const char* base, int pictures,
                      const int* frames, int frame_count, int delay);
// Starts the element's animation now; `loop` repeats it until stopped.
void animation_start(element* e, int loop);
void animation_stop(element* e);
// Shows frame `value` (1-based), or moves the frame by `value` when
// `relative`.
void animation_frame(element* e, int relative, int value);
