#include "property_wire.h"

namespace {

// Fixed parts of each request body, before its texts or records.
constexpr size_t add_size = 27;
constexpr size_t change_size = 35;
constexpr size_t delete_size = 16;
constexpr size_t query_size = 48;
constexpr size_t options_size = 8;
constexpr size_t eject_size = 13;
constexpr size_t element_fixed = 20;
constexpr size_t text_max = 255;

uint16_t u16_at(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t u32_at(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
        static_cast<uint32_t>(p[2]) << 8 | p[3];
}

property_stamp stamp_at(const uint8_t* p)
{
    return {p[0], p[1], p[2], p[3]};
}

// The three texts that follow a fixed part whose last three bytes are their
// lengths. Returns the whole size, or 0 when they have not all arrived.
size_t texts_at(const uint8_t* data, size_t size, size_t fixed, property_request* r)
{
    size_t model = data[fixed - 3], description = data[fixed - 2], action = data[fixed - 1];
    size_t total = fixed + model + description + action;
    if (size < total)
        return 0;
    const char* text = reinterpret_cast<const char*>(data + fixed);
    r->model.assign(text, model);
    r->description.assign(text + model, description);
    r->action.assign(text + model + description, action);
    return total;
}

// The length of the attribute records of an option write, ending where the
// data at hand ends; 0 while a record is incomplete, -1 past a body's limit.
int options_records(const uint8_t* data, size_t size)
{
    size_t at = options_size;
    while (at < size) {
        if (size - at < 2)
            return at + 2 > property::max_body ? -1 : 0;
        size_t end = at + 2 + data[at + 1];
        if (end > property::max_body)
            return -1;
        if (end > size)
            return 0;
        at = end;
    }
    return static_cast<int>(at);
}

void put_u16(std::string* out, uint16_t value)
{
    out->push_back(static_cast<char>(value >> 8));
    out->push_back(static_cast<char>(value));
}

void put_u32(std::string* out, uint32_t value)
{
    put_u16(out, static_cast<uint16_t>(value >> 16));
    put_u16(out, static_cast<uint16_t>(value));
}

std::string_view cut(const std::string& text)
{
    return std::string_view(text).substr(0, text_max);
}

}  // namespace

int property_wire_decode(const uint8_t* data, size_t size, bool quiet, property_request* r)
{
    if (size == 0)
        return 0;
    *r = property_request{};
    r->type = data[0];
    size_t used = 0;
    switch (r->type) {
    case property::request_add:
        if (size < add_size)
            return 0;
        r->yaw = static_cast<int16_t>(u16_at(data + 2));
        r->stamp = stamp_at(data + 4);
        r->identity = u32_at(data + 8);
        r->x = static_cast<int32_t>(u32_at(data + 12));
        r->y = static_cast<int32_t>(u32_at(data + 16));
        r->z = static_cast<int32_t>(u32_at(data + 20));
        used = texts_at(data, size, add_size, r);
        break;
    case property::request_change:
        if (size < change_size)
            return 0;
        r->number = data[1];
        r->yaw = static_cast<int16_t>(u16_at(data + 2));
        r->stamp = stamp_at(data + 4);
        r->identity = u32_at(data + 8);
        r->owner = u32_at(data + 12);
        r->x = static_cast<int32_t>(u32_at(data + 16));
        r->y = static_cast<int32_t>(u32_at(data + 20));
        r->z = static_cast<int32_t>(u32_at(data + 24));
        r->cell_x = static_cast<int16_t>(u16_at(data + 28));
        r->cell_z = static_cast<int16_t>(u16_at(data + 30));
        used = texts_at(data, size, change_size, r);
        break;
    case property::request_delete:
        if (size < delete_size)
            return 0;
        r->number = data[1];
        r->cell_x = static_cast<int16_t>(u16_at(data + 4));
        r->cell_z = static_cast<int16_t>(u16_at(data + 6));
        r->stamp = stamp_at(data + 8);
        r->identity = u32_at(data + 12);
        used = delete_size;
        break;
    case property::request_query:
        if (size < query_size)
            return 0;
        r->sector_x = static_cast<int16_t>(u16_at(data + 4));
        r->sector_z = static_cast<int16_t>(u16_at(data + 6));
        for (size_t i = 0; i < r->stamps.size(); ++i)
            r->stamps[i] = stamp_at(data + 8 + 4 * i);
        r->identity = u32_at(data + 44);
        used = query_size;
        break;
    case property::request_options_read:
        if (size < options_size)
            return 0;
        r->identity = u32_at(data + 4);
        used = options_size;
        break;
    case property::request_options_write: {
        if (size < options_size)
            return 0;
        int end = options_records(data, size);
        if (end <= 0 || !quiet)
            return end < 0 ? end : 0;
        r->identity = u32_at(data + 4);
        r->options.assign(reinterpret_cast<const char*>(data + options_size),
                          static_cast<size_t>(end) - options_size);
        used = static_cast<size_t>(end);
        break;
    }
    case property::request_eject:
        if (size < eject_size)
            return 0;
        r->identity = u32_at(data + 1);
        // The client writes the address as it holds it, in network order in
        // memory, least significant byte first: the bytes come in network
        // order.
        r->target = u32_at(data + 5);
        r->duration = u32_at(data + 9);
        used = eject_size;
        break;
    default:
        return -1;
    }
    return static_cast<int>(used);
}

size_t property_wire_element_size(const property_element& e)
{
    return element_fixed + cut(e.model).size() + cut(e.description).size() +
        cut(e.action).size();
}

void property_wire_element_put(const property_element& e, std::string* out)
{
    std::string_view model = cut(e.model), description = cut(e.description),
                     action = cut(e.action);
    out->push_back(static_cast<char>(e.number));
    put_u32(out, e.owner);
    put_u32(out, e.time);
    for (int16_t value : {e.x, e.y, e.z, e.yaw})
        put_u16(out, static_cast<uint16_t>(value));
    out->push_back(static_cast<char>(model.size()));
    out->push_back(static_cast<char>(description.size()));
    out->push_back(static_cast<char>(action.size()));
    out->append(model).append(description).append(action);
}

int property_wire_cell_decode(std::string_view records, std::vector<property_element>* elements)
{
    elements->clear();
    const auto* data = reinterpret_cast<const uint8_t*>(records.data());
    size_t at = 0;
    while (at < records.size()) {
        const uint8_t* p = data + at;
        size_t left = records.size() - at;
        if (left < element_fixed || left < element_fixed + p[17] + p[18] + p[19])
            return 1;
        property_element e;
        e.number = p[0];
        e.owner = u32_at(p + 1);
        e.time = u32_at(p + 5);
        e.x = static_cast<int16_t>(u16_at(p + 9));
        e.y = static_cast<int16_t>(u16_at(p + 11));
        e.z = static_cast<int16_t>(u16_at(p + 13));
        e.yaw = static_cast<int16_t>(u16_at(p + 15));
        const char* text = reinterpret_cast<const char*>(p + element_fixed);
        e.model.assign(text, p[17]);
        e.description.assign(text + p[17], p[18]);
        e.action.assign(text + p[17] + p[18], p[19]);
        at += element_fixed + p[17] + p[18] + p[19];
        elements->push_back(std::move(e));
    }
    return 0;
}

int property_wire_attributes_decode(std::string_view data, property_attributes* attributes)
{
    *attributes = property_attributes{};
    size_t at = 0;
    while (at < data.size()) {
        if (data.size() - at < 2)
            return 1;
        auto slot = static_cast<uint8_t>(data[at]);
        auto length = static_cast<uint8_t>(data[at + 1]);
        if (slot >= property::attribute_slots || data.size() - at - 2 < length)
            return 1;
        attributes->value[slot] = std::string(data.substr(at + 2, length));
        attributes->set[slot] = true;
        at += 2 + length;
    }
    return 0;
}

std::string property_wire_attributes_encode(const property_attributes& attributes)
{
    std::string out;
    for (size_t slot = 0; slot < property::attribute_slots; ++slot) {
        if (!attributes.set[slot])
            continue;
        std::string_view value = cut(attributes.value[slot]);
        out.push_back(static_cast<char>(slot));
        out.push_back(static_cast<char>(value.size()));
        out.append(value);
    }
    return out;
}
