#pragma once

// The texture registry.
void texture_reset();
// Whether converted bitmaps stay in the cache folder.
void texture_set_keep_files(int keep);
