#pragma once
#include <cstdint>

struct element;

// Signs drawn onto objects.
void sign_init();
void sign_update();
// Draws `text` onto the element's sign face, in `color` on `bcolor`
// (0x00BBGGRR).
void sign_draw(element* e, const char* text, uint32_t color, uint32_t bcolor);
