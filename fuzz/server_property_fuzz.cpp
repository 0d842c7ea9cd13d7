// vireo-server's world side on any bytes: the property request decoder as
// the world server runs it over a connection's input, the attribute
// records, stored cell records, and the world settings and seed files. No
// parser reads past its input, and what they accept keeps its promises.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "log.h"
#include "property_wire.h"
#include "world_config.h"

namespace {

void requests(const uint8_t* data, size_t size)
{
    size_t at = 0;
    while (at < size) {
        property_request r;
        int used = property_wire_decode(data + at, size - at, &r);
        if (used <= 0)
            break;
        if (static_cast<size_t>(used) > size - at || r.type != data[at])
            std::abort();
        if (r.type == property::request_options_write &&
            static_cast<size_t>(used) > property::max_body)
            std::abort();
        at += static_cast<size_t>(used);
    }
}

void attributes(std::string_view text)
{
    property_attributes a, again;
    if (property_wire_attributes_decode(text, &a) != 0)
        return;
    std::string encoded = property_wire_attributes_encode(a);
    if (property_wire_attributes_decode(encoded, &again) != 0 || again.value != a.value ||
        again.set != a.set)
        std::abort();
}

void cells(std::string_view text)
{
    std::vector<property_element> elements;
    int rc = property_wire_cell_decode(text, &elements);
    std::string records;
    for (const property_element& e : elements)
        property_wire_element_put(e, &records);
    if (records.size() > text.size() || (rc == 0 && records != text))
        std::abort();
}

void settings(std::string_view text)
{
    world_settings s = world_config_defaults();
    std::string error;
    if (world_config_parse(text, &s, &error) < 0)
        std::abort();
    std::vector<world_seed_object> objects;
    if (world_config_parse_objects(text, &objects, &error) == 0) {
        for (const world_seed_object& o : objects) {
            if (o.model.empty() || o.model.size() > 255 || o.action.size() > 255)
                std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    server_log_enable(0);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    requests(data, size);
    attributes(text);
    cells(text);
    settings(text);
    return 0;
}
