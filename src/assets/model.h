#pragma once

// The model registry.
int model_init();
void model_reset();
