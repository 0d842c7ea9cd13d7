#pragma once
// A world's file of state, one SQLite database per world: the record list
// of every cell that has held objects (with the numbers of the objects
// removed from it, so that clients holding an older copy learn of them), a
// time stamp per sector that changes whenever one of its cells changes, the
// world attributes a caretaker has set, and the ejections in force.
#include <cstdint>
#include <string>
#include <vector>

struct world_store;
struct property_attributes;

struct world_cell {
    int x = 0, z = 0;
    std::string records;  // element records (property_wire_element_put)
    std::string gone;     // numbers of removed elements, one byte each
};

// Opens or creates the database at `path`; `fresh` is set to 1 when it was
// created now. Returns nullptr (after a log line) when it cannot.
world_store* world_store_open(const std::string& path, int* fresh);
void world_store_close(world_store* store);

// Sectors group 6 x 6 cells: sector n holds cells 6n - 3 to 6n + 2.
int world_store_sector_from_cell(int cell);

// The cell as stored, or an empty one.
world_cell world_store_cell(const world_store* store, int x, int z);
// The stored cells of a sector.
std::vector<world_cell> world_store_sector_cells(const world_store* store, int sx, int sz);
// The sector's stamp; 0 for a sector that never changed.
uint32_t world_store_sector_stamp(const world_store* store, int sx, int sz);
// Writes the cells in one transaction and gives every sector they lie in a
// new stamp, greater than any before. Returns 0, or 1 when the store failed
// (nothing is written then).
int world_store_put_cells(world_store* store, const std::vector<world_cell>& cells);

// The attribute slots a caretaker has set, replacing the defaults.
void world_store_attributes(const world_store* store, property_attributes* attributes);
// Replaces them. Returns 0 or 1 when the store failed.
int world_store_set_attributes(world_store* store, const property_attributes& attributes);

// Ejects an IPv4 address (host order) until `until` (seconds since 1970).
// Returns 0 or 1 when the store failed.
int world_store_eject(world_store* store, uint32_t address, int64_t until);
// When the address's ejection ends; 0 when it has none.
int64_t world_store_ejected_until(const world_store* store, uint32_t address);
