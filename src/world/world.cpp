#include "world/world.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "assets/backdrop.h"
#include "assets/download.h"
#include "assets/ground.h"
#include "base/clock.h"
#include "base/file.h"
#include "base/log.h"
#include "base/text.h"
#include "base/main.h"
#include "base/msg.h"
#include "base/msgbox.h"
#include "base/tick.h"
#include "net/citizen.h"
#include "net/universe.h"
#include "people/console.h"
#include "presence/camera.h"
#include "presence/self.h"
#include "presence/teleport.h"
#include "world/database.h"
#include "world/prop.h"

namespace {

constexpr size_t key_length = 50;
constexpr uint32_t lookup_retry_ms = 45000;
constexpr const char* immigration = "Immigration Officer";

// Slots only the server sets: never sent back.
constexpr bool server_only(int slot)
{
    return slot == 14 || slot == 16 || slot == 17 || slot == 21;
}

const char* default_of(int slot)
{
    switch (slot) {
    case 0: return "Kestrel";
    case 5: return "480";
    case 11:
    case 12: return "0";
    case 13: return "178";
    case 15: return "0";
    case 16: return "qo";
    case 21: return "0";
    case 23: return "N";
    default: return "";
    }
}

struct server_address {
    uint32_t address = 0;
    uint16_t port = 0;
};

struct world_state {
    database* store = nullptr;
    std::string name;           // the world entered; "" for none
    std::string previous_name;  // the world whose content is loaded
    std::string previous_path;
    world_attributes attributes{};
    bool present = false;       // attributes from the store or the server
    bool waiting = false;       // for the server's attributes
    bool stale = false;         // the cell store is to be emptied
    std::string saved_stamp;
    bool stamp_saved = false;
    std::string directory;
    uint32_t identity = 0;
    std::string greeted_title, greeted_user;
    std::map<std::string, server_address> servers;  // by lower-case name
    bool have_server = false;
    server_address server;
    uint32_t lookup_at = 0;     // the last lookup of the world's server
    uint32_t entered_at = 0;    // system clock of the last entry
    std::string object_password;
};

world_state state;

void make_key(const std::string& text, char key[key_length])
{
    std::memset(key, 0, key_length);
    std::memcpy(key, text.data(), std::min(text.size(), key_length - 1));
}

bool same_name(const std::string& a, const std::string& b)
{
    return text_lower(a) == text_lower(b);
}

int attribute_int(int slot)
{
    return std::atoi(world_attribute(slot));
}

// The universe could not be asked (as opposed to an answer): the world
// is entered from the cache and its server looked up again later.
bool unreachable(int rc)
{
    return (rc >= 1 && rc <= 5) || rc >= 10000 || rc == 300 || rc == 303 || rc == 400;
}

// Asks the world's server for the attributes, which the identity decides.
void ask_attributes()
{
    prop_reset();
    prop_options_read(world_options_reply);
    state.waiting = true;
    state.identity = citizen_building_number();
}

// Finds the world's server: the address found before in this run, else
// the universe's answer.
int server_set(const std::string& name)
{
    if (log_trace())
        log_write("server_set (%s)", name.c_str());
    auto found = state.servers.find(text_lower(name));
    if (found != state.servers.end()) {
        state.server = found->second;
        state.have_server = true;
        return 0;
    }
    server_address a;
    state.lookup_at = tick_get();
    if (int rc = universe_lookup_world(name.c_str(), &a.address, &a.port))
        return rc;
    state.servers[text_lower(name)] = a;
    state.server = a;
    state.have_server = true;
    return 0;
}

void apply(bool initial)
{
    download_set_refresh(attribute_int(5));
    std::string stamp = world_attribute(19);
    if (state.stamp_saved && state.saved_stamp != stamp)
        state.stale = true;
    std::string world = world_attribute(16);
    std::string root = std::string(main_directory()) + "/cache/property";
    state.directory = root + "/" + file_name_from_url(world.c_str());
    mkdir(state.directory.c_str(), 0755);
    std::string path = world_attribute(3);
    download_set_path(path.c_str(), static_cast<int>(path.size()));
    if (initial || state.stale || path != state.previous_path || world != state.previous_name)
        main_reset();
    state.previous_path = path;
    state.previous_name = world;
    state.stale = false;
    state.stamp_saved = false;
    std::string backdrop = world_attribute(1);
    backdrop_set(backdrop.c_str(), static_cast<int>(backdrop.size()));
    camera_set_color(attribute_int(11), attribute_int(12), attribute_int(13));
    std::string ground = world_attribute(2);
    ground_set(ground.c_str(), static_cast<int>(ground.size()));
    world_set_object_password(world_attribute(22));
    self_force_position_text();
}

// Leaves the world for the place before it, or ends the program when
// there is none.
void go_back()
{
    state.name.clear();
    state.present = false;
    prop_reset();
    if (teleport_can_go_back()) {
        teleport_back();
        return;
    }
    const char* text = msg_format("Unable to locate a world to enter.  %s will now exit.",
                           msg(msg_product));
    main_abort(text);
}

void store_attributes(const uint8_t* data, size_t length)
{
    char key[key_length];
    make_key(text_lower(state.name), key);
    database_store(state.store, key, data, length);
}

}  // namespace

int world_init()
{
    std::string cache = std::string(main_directory()) + "/cache";
    mkdir(cache.c_str(), 0755);
    mkdir((cache + "/property").c_str(), 0755);
    state.store = database_open((cache + "/world").c_str(), key_length, 0, 1024, 1024, 1, 1);
    return state.store ? 0 : 1;
}

void world_update()
{
    if (state.name.empty())
        return;
    // Entered from the cache while the universe could not be asked.
    if (!state.have_server) {
        if (universe_connected() && tick_get() - state.lookup_at > lookup_retry_ms &&
            server_set(state.name) == 0)
            ask_attributes();
        return;
    }
    // New privileges: the server tells the attributes of the new identity.
    if (state.present && !state.waiting && citizen_building_number() != state.identity) {
        if (server_set(state.name) == 0)
            ask_attributes();
    }
}

void world_term()
{
    database_close(state.store);
    state.store = nullptr;
    state.servers.clear();
    state.name.clear();
}

int world_enter(const char* name, int remember)
{
    if (log_trace())
        log_write("world_enter (%s, %d)", name ? name : "", remember);
    std::string given = name ? name : "";
    if (given.empty() || given.size() >= key_length ||
        given.find_first_of(".:") != std::string::npos)
        return 1;
    if (!state.name.empty() && same_name(given, state.name))
        return 0;
    std::string left = state.name;
    state.name = given;
    state.entered_at = clock_ms();
    if (remember)
        teleport_history_push();
    state.have_server = false;
    if (universe_connected()) {
        int rc = server_set(given);
        if (rc != 0 && !unreachable(rc)) {
            state.name = left;
            return rc;
        }
    }
    char key[key_length];
    make_key(text_lower(given), key);
    uint8_t* data = nullptr;
    size_t length = 0;
    state.present = database_fetch_unknown(state.store, key, &data, &length) != 0;
    world_attributes_decode(data, state.present ? length : 0, &state.attributes);
    std::free(data);
    if (!state.attributes.set[16]) {
        // A world never visited: its own name until its server says more.
        state.attributes.set[16] = true;
        state.attributes.length[16] = static_cast<uint8_t>(given.size());
        std::memcpy(state.attributes.text[16], given.c_str(), given.size() + 1);
    }
    state.stamp_saved = false;
    apply(true);
    state.saved_stamp = world_attribute(19);
    state.stamp_saved = true;
    if (state.have_server)
        ask_attributes();
    else
        prop_reset();
    return 0;
}

uint32_t world_entered_at()
{
    return state.entered_at;
}

const char* world_current_name()
{
    return state.name.c_str();
}

int world_entered()
{
    return !state.name.empty() && state.present ? 1 : 0;
}

int world_attributes_pending()
{
    return state.waiting ? 1 : 0;
}

int world_server(uint32_t* address, uint16_t* port)
{
    if (!state.have_server || state.name.empty())
        return 0;
    *address = state.server.address;
    *port = state.server.port;
    return 1;
}

const char* world_property_directory()
{
    return state.directory.c_str();
}

int world_property_stale()
{
    return state.stale ? 1 : 0;
}

const char* world_attribute(int slot)
{
    if (slot < 0 || slot >= world_slot_count)
        return "";
    return state.attributes.set[slot] ? state.attributes.text[slot] : default_of(slot);
}

const char* world_title()
{
    return world_attribute(0);
}

int world_attributes_decode(const uint8_t* data, size_t length, world_attributes* a)
{
    std::memset(a, 0, sizeof *a);
    size_t at = 0;
    while (at + 2 <= length) {
        int slot = data[at];
        size_t n = data[at + 1];
        if (at + 2 + n > length)
            return 0;
        if (slot < world_slot_count) {
            a->set[slot] = true;
            a->length[slot] = static_cast<uint8_t>(n);
            std::memcpy(a->text[slot], data + at + 2, n);
            a->text[slot][n] = 0;
        }
        at += 2 + n;
    }
    return at == length ? 1 : 0;
}

size_t world_attributes_encode(const world_attributes* a, uint8_t* out, size_t capacity)
{
    size_t at = 0;
    for (int slot = 0; slot < world_slot_count; ++slot) {
        if (!a->set[slot] || server_only(slot))
            continue;
        size_t n = a->length[slot];
        if (at + 2 + n > capacity)
            break;
        out[at] = static_cast<uint8_t>(slot);
        out[at + 1] = static_cast<uint8_t>(n);
        std::memcpy(out + at + 2, a->text[slot], n);
        at += 2 + n;
    }
    return at;
}

void world_options_reply(const uint8_t* data, size_t length, int code)
{
    if (log_trace())
        log_write("world_options_reply (%d, %d)", static_cast<int>(length), code);
    state.waiting = false;
    if (state.name.empty())
        return;
    if (code != 0) {
        const char* text = nullptr;
        switch (code) {
        case 1: text = msg_format("Sorry, you are not allowed to enter \"%s\"", state.name.c_str());
            break;
        case 2: text = msg_format("Sorry, %s is currently full.  Please try again later.",
                           state.name.c_str());
            break;
        case 3: text = msg_format("You have been ejected from %s", state.name.c_str()); break;
        default: text = msg_format("Could not enter world (reason %d)", code); break;
        }
        console_print(console_immigration, "%s: %s", immigration, text);
        go_back();
        return;
    }
    world_attributes_decode(data, length, &state.attributes);
    apply(false);
    store_attributes(data, length);
    if (!state.present) {
        std::string title = world_title();
        std::string user = citizen_name();
        if (title != state.greeted_title || user != state.greeted_user) {
            console_print(console_immigration, "%s: %s", immigration,
                          msg(162, title.c_str(), user.c_str()));
            state.greeted_title = title;
            state.greeted_user = user;
        }
    }
    state.present = true;
    std::string world = world_attribute(16);
    if (!world.empty() && world != state.name)
        state.name = world;
}

void world_ejected()
{
    msgbox_show(msg(msg_product), msg_format("You have been ejected from %s", world_title()),
                msgbox_stop, msgbox_ok);
    go_back();
}

size_t world_rights_length(const char* text)
{
    return std::strspn(text, "0123456789 ,*");
}

int world_avatar()
{
    if (state.name.empty() || !state.store)
        return 0;
    char key[key_length];
    make_key(text_lower(state.name) + "-avatar", key);
    uint8_t number = 0;
    size_t length = 0;
    if (!database_fetch(state.store, key, &number, 1, &length) || length != 1)
        return 0;
    if (number >= 251 && std::strcmp(world_attribute(17), "Y") != 0)
        return 0;
    return number;
}

void world_set_avatar(int number)
{
    if (state.name.empty() || !state.store)
        return;
    char key[key_length];
    make_key(text_lower(state.name) + "-avatar", key);
    auto byte = static_cast<uint8_t>(number);
    database_store(state.store, key, &byte, 1);
}

const char* world_object_password()
{
    return state.object_password.c_str();
}

void world_set_object_password(const char* password)
{
    state.object_password = password ? password : "";
}
