#pragma once

// Image conversion for the renderer.
void image_update();
void image_reset();
void image_term();
