#pragma once

// Models and textures kept in the local stores.
void chunk_reset();
void chunk_term();
