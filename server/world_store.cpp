#include "world_store.h"

#include "clock.h"
#include "database.h"
#include "log.h"
#include "property_wire.h"

struct world_store {
    server_db db;
};

namespace {

// Stamps count up from the moment the store was made, so that a store made
// again later does not repeat the stamps clients remember from before.
constexpr const char* schema = R"(
PRAGMA journal_mode = WAL;
CREATE TABLE IF NOT EXISTS cell (
    x INTEGER NOT NULL,
    z INTEGER NOT NULL,
    records BLOB NOT NULL,
    gone BLOB NOT NULL,
    PRIMARY KEY (x, z)
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS sector (
    x INTEGER NOT NULL,
    z INTEGER NOT NULL,
    stamp INTEGER NOT NULL,
    PRIMARY KEY (x, z)
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS attribute (
    slot INTEGER PRIMARY KEY,
    value BLOB NOT NULL
);
CREATE TABLE IF NOT EXISTS ejection (
    address INTEGER PRIMARY KEY,
    until INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS counter (
    name TEXT PRIMARY KEY,
    value INTEGER NOT NULL
);
)";

world_cell read_cell(const server_statement& s)
{
    world_cell cell;
    cell.x = static_cast<int>(s.integer(0));
    cell.z = static_cast<int>(s.integer(1));
    cell.records = s.text(2);
    cell.gone = s.text(3);
    return cell;
}

}  // namespace

world_store* world_store_open(const std::string& path, int* fresh)
{
    auto* store = new world_store;
    if (store->db.open(path) != 0 || store->db.exec(schema) != 0) {
        server_log("cannot open the world database %s", path.c_str());
        delete store;
        return nullptr;
    }
    server_statement found(store->db, "SELECT value FROM counter WHERE name = 'stamp'");
    *fresh = found.step() ? 0 : 1;
    if (*fresh &&
        server_statement(store->db, "INSERT INTO counter (name, value) VALUES ('stamp', ?)")
                .bind(1, server_clock_seconds() & 0x7FFFFFFF)
                .run() != 0) {
        delete store;
        return nullptr;
    }
    return store;
}

void world_store_close(world_store* store)
{
    delete store;
}

int world_store_sector_from_cell(int cell)
{
    return cell >= 0 ? (cell + 3) / 6 : (cell - 2) / 6;
}

world_cell world_store_cell(const world_store* store, int x, int z)
{
    server_statement s(store->db, "SELECT x, z, records, gone FROM cell WHERE x = ? AND z = ?");
    s.bind(1, x).bind(2, z);
    if (s.step())
        return read_cell(s);
    world_cell empty;
    empty.x = x;
    empty.z = z;
    return empty;
}

std::vector<world_cell> world_store_sector_cells(const world_store* store, int sx, int sz)
{
    server_statement s(store->db,
                       "SELECT x, z, records, gone FROM cell WHERE x BETWEEN ? AND ? "
                       "AND z BETWEEN ? AND ? ORDER BY z, x");
    s.bind(1, 6 * sx - 3).bind(2, 6 * sx + 2).bind(3, 6 * sz - 3).bind(4, 6 * sz + 2);
    std::vector<world_cell> cells;
    while (s.step())
        cells.push_back(read_cell(s));
    return cells;
}

uint32_t world_store_sector_stamp(const world_store* store, int sx, int sz)
{
    server_statement s(store->db, "SELECT stamp FROM sector WHERE x = ? AND z = ?");
    s.bind(1, sx).bind(2, sz);
    return s.step() ? static_cast<uint32_t>(s.integer(0)) : 0;
}

int world_store_put_cells(world_store* store, const std::vector<world_cell>& cells)
{
    if (store->db.exec("BEGIN IMMEDIATE") != 0)
        return 1;
    int failed = server_statement(store->db,
                                  "UPDATE counter SET value = value % 4294967295 + 1 "
                                  "WHERE name = 'stamp'")
                     .run();
    int64_t stamp = 0;
    if (!failed) {
        server_statement s(store->db, "SELECT value FROM counter WHERE name = 'stamp'");
        stamp = s.step() ? s.integer(0) : 0;
        failed = s.failed() || stamp == 0;
    }
    for (const world_cell& cell : cells) {
        if (failed)
            break;
        failed = server_statement(store->db,
                                  "INSERT OR REPLACE INTO cell (x, z, records, gone) "
                                  "VALUES (?, ?, ?, ?)")
                     .bind(1, cell.x)
                     .bind(2, cell.z)
                     .bind_blob(3, cell.records)
                     .bind_blob(4, cell.gone)
                     .run();
        if (!failed)
            failed = server_statement(store->db,
                                      "INSERT OR REPLACE INTO sector (x, z, stamp) "
                                      "VALUES (?, ?, ?)")
                         .bind(1, world_store_sector_from_cell(cell.x))
                         .bind(2, world_store_sector_from_cell(cell.z))
                         .bind(3, stamp)
                         .run();
    }
    if (failed) {
        store->db.exec("ROLLBACK");
        return 1;
    }
    return store->db.exec("COMMIT") != 0 ? 1 : 0;
}

void world_store_attributes(const world_store* store, property_attributes* attributes)
{
    *attributes = property_attributes{};
    server_statement s(store->db, "SELECT slot, value FROM attribute");
    while (s.step()) {
        int64_t slot = s.integer(0);
        if (slot < 0 || slot >= static_cast<int64_t>(property::attribute_slots))
            continue;
        attributes->value[static_cast<size_t>(slot)] = s.text(1);
        attributes->set[static_cast<size_t>(slot)] = true;
    }
}

int world_store_set_attributes(world_store* store, const property_attributes& attributes)
{
    if (store->db.exec("BEGIN IMMEDIATE") != 0)
        return 1;
    int failed = store->db.exec("DELETE FROM attribute");
    for (size_t slot = 0; slot < property::attribute_slots && !failed; ++slot) {
        if (attributes.set[slot])
            failed = server_statement(store->db,
                                      "INSERT INTO attribute (slot, value) VALUES (?, ?)")
                         .bind(1, static_cast<int64_t>(slot))
                         .bind_blob(2, attributes.value[slot])
                         .run();
    }
    if (failed) {
        store->db.exec("ROLLBACK");
        return 1;
    }
    return store->db.exec("COMMIT") != 0 ? 1 : 0;
}

int world_store_eject(world_store* store, uint32_t address, int64_t until)
{
    return server_statement(store->db,
                            "INSERT OR REPLACE INTO ejection (address, until) VALUES (?, ?)")
                   .bind(1, address)
                   .bind(2, until)
                   .run() != 0
        ? 1
        : 0;
}

int64_t world_store_ejected_until(const world_store* store, uint32_t address)
{
    server_statement s(store->db, "SELECT until FROM ejection WHERE address = ?");
    s.bind(1, address);
    return s.step() ? s.integer(0) : 0;
}
