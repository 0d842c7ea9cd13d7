#pragma once

// The model registry.
int model_init();
void model_reset();
// Whether unpacked model files (.rwx, .wrl) stay in the cache folder.
void model_set_keep_files(int keep);
