#pragma once

// Pictures fetched and shown on objects.
void picture_init();
void picture_update();
void picture_reset();
