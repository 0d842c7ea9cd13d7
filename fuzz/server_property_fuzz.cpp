// vireo-server's world side on any bytes: the property request decoder as
// the world server runs it over a connection's input, the attribute
// records, stored cell records, and the world settings and seed files; and
// the same bytes as a connection's input to a world, so that every request
// handler runs on them. No parser reads past its input, what they accept
// keeps its promises, and every reply is framed.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "log.h"
#include "property.h"
#include "property_wire.h"
#include "world_config.h"
#include "world_store.h"

namespace {

void requests(const uint8_t* data, size_t size)
{
    size_t at = 0;
    while (at < size) {
        property_request r;
        int used = property_wire_decode(data + at, size - at, true, &r);
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

// Every reply is framed: a length and that many bytes, at most 65535.
void check_reply(void*, int, const uint8_t* data, size_t size)
{
    if (size < 2 || static_cast<size_t>(data[0] << 8 | data[1]) != size - 2)
        std::abort();
}

// Every identity is logged in, all in one session.
int anyone(void*, uint32_t, uint32_t)
{
    return 1;
}

// Nobody follows who is in the world.
void unwatched(void*, int, int) {}

int nobody(void*, uint32_t)
{
    return 0;
}

void ignore_close(void*, int) {}

// A content folder holding the model "m" of the world qo, made once and
// removed at exit.
std::string content_folder()
{
    static std::string folder = [] {
        namespace fs = std::filesystem;
        fs::path path = fs::temp_directory_path() / ("vireo-fuzz-property-" +
                                                     std::to_string(::getpid()));
        fs::create_directories(path / "qo" / "models");
        std::ofstream(path / "qo" / "models" / "m.zip") << "PK";
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(fs::temp_directory_path() /
                               ("vireo-fuzz-property-" + std::to_string(::getpid())),
                           ec);
        });
        return path.string();
    }();
    return folder;
}

// The bytes as one connection's input to a world whose store is in memory,
// in two pieces and then a quiet moment (which completes a world-option
// write), with everybody allowed to do everything.
void world(const uint8_t* data, size_t size)
{
    int fresh = 0;
    world_store* store = world_store_open(":memory:", &fresh);
    if (!store)
        std::abort();
    property_options options;
    options.name = "qo";
    options.title = "Kestrel";
    options.settings = world_config_defaults();
    options.settings.caretakers = "*";
    options.content = content_folder();
    options.write_quiet_ms = 0;
    property_io io;
    io.send = check_reply;
    io.identity_session = anyone;
    io.presence = unwatched;
    io.logged_in_from = nobody;
    io.close = ignore_close;
    property_world* w = property_create(options, store, io);
    property_open(w, 1, 0x7F000001, 0x7F000001);
    size_t half = size / 2;
    if (property_input(w, 1, data, half) == 0 &&
        property_input(w, 1, data + half, size - half) == 0)
        property_tick(w);
    // The avatar side's questions, on whatever rights the input has set.
    property_speaker(w, 0x7F000001);
    property_destroy(w);
    world_store_close(store);
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
    world(data, size);
    attributes(text);
    cells(text);
    settings(text);
    return 0;
}
