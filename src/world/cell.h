#pragma once
#include <cstddef>
#include <cstdint>

struct element;

// Cells and sectors. A world is a flat grid of cells of one unit (10 m);
// sectors group 6 × 6 cells. Each cell's objects are kept as a list of
// records in the world's cell store, from which the visibility manager
// makes live elements.

// The cell that holds a world coordinate: values below 0.00001 under a
// negative whole number still belong to its cell.
int cell_from_world(double f);
// The sector of a cell: sector n covers cells 6n − 3 to 6n + 2.
int sector_from_cell(int c);
int sector_from_world(double f);

// The largest list of records one cell holds.
constexpr size_t cell_capacity = 1200;

// A cell record as stored: the texts point into the record.
struct cell_record {
    int number;
    uint32_t owner;
    uint32_t stamp;
    int x, y, z;  // thousandths of a unit; x and z within the cell
    int yaw;      // tenths of a degree
    const char* model;
    const char* description;
    const char* action;
    size_t model_length, description_length, action_length;
};
// Decodes the record at the start of the bytes; its length, or 0 when the
// bytes end inside it.
size_t cell_record_decode(const uint8_t* bytes, size_t length, cell_record* record);

// 0 on success.
int cell_init();
// Opens the cell store of the world entered (emptied first when the world
// said its cache is stale). 0 on success.
int cell_reset();
void cell_term();

// Reads a cell for cell_next; a cell not stored reads as empty.
void cell_start(int cx, int cz);
// Makes the live element of the next record of the cell read, running its
// create trigger; 0 at the end or when the element cannot be made.
int cell_next(element** made);

// Editing a cell: the records are loaded, changed, and written back whole.
void cell_update_begin(int cx, int cz);
// Appends a record; 0 when it would take the cell past its capacity (the
// record is refused, the cell keeps what it had).
int cell_element_add(int number, uint32_t owner, uint32_t stamp, int x, int y, int z, int yaw,
                     const char* model, size_t model_length, const char* description,
                     size_t description_length, const char* action, size_t action_length);
// Removes the first record of that number; 1 when one was removed.
int cell_element_delete(int number);
// The records of the cell being edited, for tests and tools.
const uint8_t* cell_update_records(size_t* length);
// Writes the cell back; 1 on success.
int cell_update_end();

// A sector's time stamp: four bytes as the server sent them, kept in this
// order in memory; 0 when none is stored.
uint32_t cell_sector_timestamp(int sx, int sz);
// 1 when the store took it.
int cell_sector_set_timestamp(int sx, int sz, uint32_t stamp);
