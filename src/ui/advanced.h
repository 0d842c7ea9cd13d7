#pragma once

// The advanced settings: whether the cache keeps unpacked model files and
// converted bitmaps.

// Hands the stored choices to the model and texture registries.
void advanced_init();
void advanced_apply(int keep_rwx, int keep_bmp);
