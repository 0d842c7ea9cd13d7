#pragma once
#include <cstdint>

struct element;
struct rw_clump;

// The choice of live cells around the viewer: cells are loaded from the
// cell store nearest first, within a range that follows the frame rate,
// paced by a budget of milliseconds a frame; cells out of range go.
void visible_init();
void visible_update();
// Destroys every loaded cell and the table (shutdown, and tests).
void visible_term();
// Destroys every loaded cell (entering a world).
void visible_reset();
// The cell's live elements go, and loading starts again from the nearest
// cell (the cell store has news of it).
void visible_invalidate(int cx, int cz);
// An element made by building joins its cell's list; destroyed at once
// when that cell is not loaded.
void visible_consider(element* e);
// Takes the element whose model holds the clump (or one of its parts) out
// of its cell's list; 0 when none.
int visible_ignore(rw_clump* clump, int* cx, int* cz, element** e);
// The element whose model holds the clump, or none.
element* visible_element(rw_clump* clump);
// The elements of one loaded cell, one after another; none at the end.
void visible_start(int cx, int cz);
element* visible_next();
// Hidden elements are shown while building.
void visible_reveal(int on);
int visible_revealing();
// Shows or hides the visibility pane.
void visible_toggle();

// The order of the cells around the viewer: offsets by distance.
struct visible_offset {
    int dx, dz;
    int metres;
};
constexpr int visible_table_size = 459;
const visible_offset* visible_table();
// The range as a table index, and the distance it shows.
int visible_range();
int visible_range_metres();
// Cells loaded now; of them, those among the first `cells` entries of the
// order around the cell the viewer is in now.
int visible_cells_loaded();
int visible_loaded_near(int cells);
// Frames after the viewer arrived in another cell (1: the first frame
// after) until the 3×3 block around it, and until every cell of the range,
// had been loaded; 0 while not yet.
void visible_arrival_frames(int* block, int* range);

// Loading time, measured around each cell: the milliseconds spent in the
// last visible_update, the most any update spent, and the slowest single
// cell, since start-up or the last visible_reset.
int visible_last_work_ms();
int visible_worst_work_ms();
int visible_slowest_cell_ms();
// The clock (ms) when the loader first finished the first `cells` entries
// of the table since the last reset (entering a world); 0 when it has not.
uint32_t visible_loaded_at(int cells);
