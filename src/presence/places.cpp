// The remembered places, their Teleport menu items and the file that keeps
// them.
#include "presence/places.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "base/file.h"
#include "base/log.h"
#include "base/main.h"
#include "base/menu.h"
#include "base/msg.h"
#include "behavior/behavior.h"
#include "presence/coords.h"
#include "presence/self.h"
#include "presence/teleport.h"
#include "world/world.h"

namespace {

constexpr const char* file_name = "teleport.txt";

struct remembered {
    std::string name;
    std::string location;
    int id;
};

struct places_state {
    std::vector<remembered> list;
    int next_id = places_first_id;
};

places_state state;

std::string file_path()
{
    return std::string(main_directory()) + "/" + file_name;
}

// The longest start of `text` of at most `limit` bytes that ends between
// two UTF-8 characters.
std::string_view cut_to(std::string_view text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xc0) == 0x80)
        --n;
    return text.substr(0, n);
}

bool has_control(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            return true;
    }
    return false;
}

// Why a line of the file cannot be a place, or nullptr when it can; sets
// the parts when it can.
const char* split_line(std::string_view line, std::string_view* location, std::string_view* name)
{
    if (line.size() > places_line_limit)
        return "longer than 256 characters";
    size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return "no ':'";
    *location = line.substr(0, colon);
    *name = line.substr(colon + 1);
    if (location->empty() || name->empty())
        return "an empty location or name";
    if (location->size() > places_location_limit)
        return "a location text too long";
    if (name->size() > places_name_limit)
        return "a name too long";
    if (has_control(line))
        return "a control character";
    return nullptr;
}

}  // namespace

int places_parse(const char* text, size_t length)
{
    std::string_view rest(text, text ? length : 0);
    int skipped = 0;
    for (int number = 1; !rest.empty(); ++number) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        std::string_view location, name;
        const char* why = split_line(line, &location, &name);
        if (why) {
            log_write("%s line %d skipped: %s", file_name, number, why);
            ++skipped;
            continue;
        }
        places_add(std::string(name).c_str(), std::string(location).c_str());
    }
    return skipped;
}

int places_load()
{
    std::string path = file_path();
    if (!file_exists(path.c_str()))
        return 0;
    uint8_t* bytes = nullptr;
    size_t length = 0;
    if (file_read(path.c_str(), &bytes, &length) != 0) {
        log_write("%s cannot be read", file_name);
        return 0;
    }
    int skipped = places_parse(reinterpret_cast<const char*>(bytes), length);
    std::free(bytes);
    return skipped;
}

std::string places_text()
{
    std::string text;
    for (const remembered& r : state.list)
        text += r.location + ":" + r.name + "\n";
    return text;
}

int places_save()
{
    std::string text = places_text();
    if (file_store(file_path().c_str(), text.data(), text.size()) != 0) {
        log_write("%s cannot be written", file_name);
        return 1;
    }
    return 0;
}

int places_add(const char* name, const char* location)
{
    std::string_view n = name ? name : "";
    n = cut_to(n.substr(0, n.find('\n')), places_name_limit);
    std::string_view where = location ? location : "";
    if (n.empty() || where.empty() || where.size() > places_location_limit ||
        where.find(':') != std::string_view::npos || has_control(n) || has_control(where))
        return 0;
    int id = state.next_id++;
    state.list.push_back({std::string(n), std::string(where), id});
    menu_place_add(state.list.back().name.c_str(), id);
    return id;
}

void places_clear()
{
    state.list.clear();
    menu_places_clear();
}

int places_count()
{
    return static_cast<int>(state.list.size());
}

const char* places_name(int index)
{
    return index >= 0 && index < places_count() ? state.list[static_cast<size_t>(index)].name.c_str()
                                                 : "";
}

const char* places_location(int index)
{
    return index >= 0 && index < places_count()
               ? state.list[static_cast<size_t>(index)].location.c_str()
               : "";
}

int places_id(int index)
{
    return index >= 0 && index < places_count() ? state.list[static_cast<size_t>(index)].id : 0;
}

std::string places_suggested_name()
{
    return std::string(world_title()) + " " + self_coordinates();
}

std::string places_here()
{
    place p{};
    self_position(&p.x, &p.y, &p.z, &p.yaw);
    return std::string(world_current_name()) + " " + coords_format(p);
}

int teleport_command(int id)
{
    for (const remembered& r : state.list) {
        if (r.id == id) {
            behavior_post(msg_format("teleport %s", r.location.c_str()));
            return 1;
        }
    }
    return 0;
}

void places_term()
{
    state = places_state{};
}
