#pragma once

// Cells and their elements.
int cell_init();
void cell_reset();
void cell_term();
