#include "world/cell.h"

#include <cstring>
#include <string>

#include "base/log.h"
#include "world/database.h"
#include "world/element.h"
#include "world/world.h"

namespace {

constexpr size_t record_header = 20;
constexpr int kind_sector = 0;
constexpr int kind_cell = 1;

struct cell_key {
    int16_t kind, x, z;
};
static_assert(sizeof(cell_key) == 6);

// The one cell being read or edited: its records, the read cursor and the
// end of the records.
struct cell_state {
    database* store = nullptr;
    uint8_t buffer[cell_capacity];
    size_t cursor = 0;
    size_t end = 0;
    int cx = 0, cz = 0;
};

cell_state state;

cell_key key(int kind, int x, int z)
{
    return {static_cast<int16_t>(kind), static_cast<int16_t>(x), static_cast<int16_t>(z)};
}

uint32_t big_endian_32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

int16_t host_16(const uint8_t* p)
{
    int16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

void put_host_16(uint8_t* p, int v)
{
    auto h = static_cast<int16_t>(v);
    std::memcpy(p, &h, 2);
}

// Reads the cell's records into the buffer; a cell not stored, or one
// longer than the buffer (which no server sends), reads as empty.
void load(int cx, int cz)
{
    state.cx = cx;
    state.cz = cz;
    state.cursor = 0;
    state.end = 0;
    if (!state.store)
        return;
    cell_key k = key(kind_cell, cx, cz);
    size_t length = 0;
    if (database_fetch(state.store, &k, state.buffer, sizeof state.buffer, &length))
        state.end = length;
}

}  // namespace

int cell_from_world(double f)
{
    if (f >= 0)
        return static_cast<int>(f);
    return static_cast<int>(f - 0.99999);
}

int sector_from_cell(int c)
{
    return c >= 0 ? (c + 3) / 6 : (c - 2) / 6;
}

int sector_from_world(double f)
{
    return sector_from_cell(cell_from_world(f));
}

size_t cell_record_decode(const uint8_t* bytes, size_t length, cell_record* r)
{
    if (length < record_header)
        return 0;
    size_t total = record_header + bytes[17] + bytes[18] + bytes[19];
    if (length < total)
        return 0;
    r->number = static_cast<int8_t>(bytes[0]);
    r->owner = big_endian_32(bytes + 1);
    r->stamp = big_endian_32(bytes + 5);
    r->x = host_16(bytes + 9);
    r->y = host_16(bytes + 11);
    r->z = host_16(bytes + 13);
    r->yaw = host_16(bytes + 15);
    r->model_length = bytes[17];
    r->description_length = bytes[18];
    r->action_length = bytes[19];
    r->model = reinterpret_cast<const char*>(bytes + record_header);
    r->description = r->model + r->model_length;
    r->action = r->description + r->description_length;
    return total;
}

int cell_init()
{
    if (log_trace())
        log_write("cell_init");
    return 0;
}

int cell_reset()
{
    if (log_trace())
        log_write("cell_reset");
    database_close(state.store);
    state.store = nullptr;
    std::string name = std::string(world_property_directory()) + "/cell";
    state.store = database_open(name.c_str(), sizeof(cell_key), 0, 16384, 4096, 0, 0);
    if (!state.store)
        return 1;
    if (world_property_stale()) {
        if (log_trace())
            log_write("cell_reset: the world's cache stamp changed: cell store emptied");
        database_reset(state.store);
    }
    return 0;
}

void cell_term()
{
    if (log_trace())
        log_write("cell_term");
    database_close(state.store);
    state.store = nullptr;
}

void cell_start(int cx, int cz)
{
    if (log_trace())
        log_write("cell_start (%d, %d)", cx, cz);
    load(cx, cz);
}

int cell_next(element** made)
{
    cell_record r;
    size_t n = cell_record_decode(state.buffer + state.cursor, state.end - state.cursor, &r);
    if (n == 0)
        return 0;
    element* e = element_create(state.cx + r.x * 0.001, r.y * 0.001, state.cz + r.z * 0.001,
                                static_cast<float>(r.yaw * 0.1), r.model, r.model_length,
                                r.description, r.description_length, r.action, r.action_length,
                                r.number, r.owner, 1, r.stamp);
    if (!e)
        return 0;
    state.cursor += n;
    *made = e;
    return 1;
}

void cell_update_begin(int cx, int cz)
{
    if (log_trace())
        log_write("cell_update_begin (%d, %d)", cx, cz);
    load(cx, cz);
}

int cell_element_add(int number, uint32_t owner, uint32_t stamp, int x, int y, int z, int yaw,
                     const char* model, size_t model_length, const char* description,
                     size_t description_length, const char* action, size_t action_length)
{
    if (log_trace())
        log_write("cell_element_add (%d)", number);
    if (model_length > 255 || description_length > 255 || action_length > 255)
        return 0;
    size_t total = record_header + model_length + description_length + action_length;
    if (state.end + total > sizeof state.buffer) {
        log_write("cell (%d, %d) is full: element %d refused", state.cx, state.cz, number);
        return 0;
    }
    uint8_t* p = state.buffer + state.end;
    p[0] = static_cast<uint8_t>(number);
    for (int i = 0; i < 4; ++i) {
        p[1 + i] = static_cast<uint8_t>(owner >> (24 - 8 * i));
        p[5 + i] = static_cast<uint8_t>(stamp >> (24 - 8 * i));
    }
    put_host_16(p + 9, x);
    put_host_16(p + 11, y);
    put_host_16(p + 13, z);
    put_host_16(p + 15, yaw);
    p[17] = static_cast<uint8_t>(model_length);
    p[18] = static_cast<uint8_t>(description_length);
    p[19] = static_cast<uint8_t>(action_length);
    uint8_t* t = p + record_header;
    std::memcpy(t, model, model_length);
    std::memcpy(t + model_length, description, description_length);
    std::memcpy(t + model_length + description_length, action, action_length);
    state.end += total;
    return 1;
}

int cell_element_delete(int number)
{
    if (log_trace())
        log_write("cell_element_delete (%d)", number);
    size_t at = 0;
    cell_record r;
    while (size_t n = cell_record_decode(state.buffer + at, state.end - at, &r)) {
        if (static_cast<uint8_t>(r.number) == static_cast<uint8_t>(number)) {
            std::memmove(state.buffer + at, state.buffer + at + n, state.end - at - n);
            state.end -= n;
            return 1;
        }
        at += n;
    }
    return 0;
}

const uint8_t* cell_update_records(size_t* length)
{
    *length = state.end;
    return state.buffer;
}

int cell_update_end()
{
    if (log_trace())
        log_write("cell_update_end: %d bytes", static_cast<int>(state.end));
    if (!state.store)
        return 0;
    cell_key k = key(kind_cell, state.cx, state.cz);
    database_store(state.store, &k, state.buffer, state.end);
    return 1;
}

uint32_t cell_sector_timestamp(int sx, int sz)
{
    cell_key k = key(kind_sector, sx, sz);
    uint32_t stamp = 0;
    size_t length = 0;
    if (!state.store || !database_fetch(state.store, &k, &stamp, sizeof stamp, &length) ||
        length != sizeof stamp)
        return 0;
    return stamp;
}

int cell_sector_set_timestamp(int sx, int sz, uint32_t stamp)
{
    if (!state.store)
        return 0;
    cell_key k = key(kind_sector, sx, sz);
    return database_store(state.store, &k, &stamp, sizeof stamp);
}
