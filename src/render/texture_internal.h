#pragma once

// What the library's own files share about textures.

struct rw_texture;

// Frees the dictionary of names (closing the library).
void rw_texture_dictionary_clear();
// Marks pixels read from a stream as carrying a mask's transparency.
void rw_texture_set_masked(rw_texture* texture, int masked);
// The texture's GL name in the current context, its pixels uploaded again
// whenever they changed.
unsigned rw_texture_gl(rw_texture* texture);
