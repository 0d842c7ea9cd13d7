#pragma once
// The property protocol on the wire, server side: the numbers of its
// requests, reply records and status codes; the decoding of the client's
// requests (which come without a length field, so their type and their
// text lengths say where each ends); the element records kept per cell; and
// the world attribute records of option reads and writes. Integers are
// big-endian except the eject target.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace property {

enum request : uint8_t {
    request_add = 0,
    request_eject = 1,
    request_delete = 2,
    request_query = 3,
    request_options_read = 5,
    request_options_write = 6,
    request_change = 7,
};

enum record : uint8_t {
    record_cell_begin = 0,
    record_cell_end = 1,
    record_element = 2,
    record_element_gone = 3,
    record_sector_stamp = 4,
};

enum status : uint8_t {
    status_ok = 0,
    status_not_owner = 3,          // changing someone else's object
    status_not_allowed = 7,        // entering, writing options, ejecting
    status_give_away = 11,
    status_identity_rejected = 12,
    status_ejected = 15,
    status_encroach = 100,
    status_no_such_object = 101,   // silent: the client reloads the cell
    status_not_demolisher = 102,
    status_cell_full = 103,
    status_unregistered = 106,
    status_illegal_action = 109,
    status_no_build_rights = 110,
    status_beyond_limits = 111,
    status_special_object = 113,
    status_restricted_radius = 114,
    status_failed = 200,           // the store failed; silent
};

constexpr size_t max_body = 1024;      // greatest request body
constexpr size_t max_cell = 1200;      // greatest record list of one cell
constexpr size_t max_reply = 65535;    // greatest reply length field
constexpr size_t attribute_slots = 24;

}  // namespace property

using property_stamp = std::array<uint8_t, 4>;

// One request, decoded. Which fields are filled depends on the type:
//   0 add: yaw, stamp, identity, x, y, z, model, description, action
//   7 change: number, yaw, stamp, identity, owner, x, y, z, cell_x, cell_z
//     (the old cell), model, description, action
//   2 delete: number, cell_x, cell_z, stamp, identity
//   3 query: sector_x, sector_z, stamps (dz -1..1 outer, dx -1..1 inner),
//     identity
//   5 options read: identity
//   6 options write: identity, options (the attribute records)
//   1 eject: identity, target (IPv4, host order), duration (seconds)
struct property_request {
    uint8_t type = 0;
    uint8_t number = 0;
    int16_t yaw = 0;
    property_stamp stamp{};
    uint32_t identity = 0;
    uint32_t owner = 0;
    int32_t x = 0, y = 0, z = 0;
    int16_t cell_x = 0, cell_z = 0;
    int16_t sector_x = 0, sector_z = 0;
    std::array<property_stamp, 9> stamps{};
    std::string model, description, action;
    std::string options;
    uint32_t target = 0;
    uint32_t duration = 0;
};

// Decodes the request at the start of `data`. Returns the number of bytes it
// took, 0 when more bytes must arrive first, or -1 when the bytes are no
// request (an unknown type, or a world-option write longer than a body may
// be). A world-option write has no length of its own and may reach the
// server in several pieces: it is taken only once `quiet` is set (no more
// bytes have come for a while; the client sends each request whole and
// then waits for its reply), and then ends where the data at hand ends on
// a whole attribute record.
int property_wire_decode(const uint8_t* data, size_t size, bool quiet,
                         property_request* request);

// One object as the server keeps it. Offsets are thousandths of a unit
// within the cell, y thousandths of a unit, yaw tenths of a degree.
struct property_element {
    uint8_t number = 0;
    uint32_t owner = 0;
    uint32_t time = 0;  // seconds since 1970
    int16_t x = 0, y = 0, z = 0, yaw = 0;
    std::string model, description, action;
};

// The bytes of one element in a cell record list: the layout of the
// client's cell record with every integer big-endian (20 bytes and the
// three texts, each cut to 255 bytes). The element record of a reply is
// its type byte and these bytes.
size_t property_wire_element_size(const property_element& element);
void property_wire_element_put(const property_element& element, std::string* out);
// Splits a stored record list. Returns 0, or 1 when a record runs past the
// end (what came before it is kept).
int property_wire_cell_decode(std::string_view records, std::vector<property_element>* elements);

// World attributes: up to 24 slots, each set or not. The records are a
// slot byte, a length byte and the text.
struct property_attributes {
    std::array<std::string, property::attribute_slots> value;
    std::array<bool, property::attribute_slots> set{};
};
// Reads records in order (a later one for a slot wins). Returns 0, or 1
// when a record names a slot above 23 or runs past the end.
int property_wire_attributes_decode(std::string_view data, property_attributes* attributes);
// Writes every set slot in slot order (texts cut to 255 bytes).
std::string property_wire_attributes_encode(const property_attributes& attributes);
