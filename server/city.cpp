#include "city.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "property_wire.h"

namespace {

// The city reaches 120 m from ground zero: a cell is in when ten times its
// distance from ground zero in cells, cut to a whole number of metres, is at
// most 120, that is when 100 (x² + z²) < 121².
constexpr int reach_cells = 12;
constexpr int reach_square_hundredths = 121 * 121;
// The ends of the two main avenues to the North and to the West stay open
// ground: the city's gates.
constexpr std::array<std::pair<int, int>, 6> gates = {
    {{-1, 12}, {0, 12}, {1, 12}, {12, -1}, {12, 0}, {12, 1}}};
// Every fourth row and column of cells is a street; the rest are blocks.
constexpr int street_every = 4;
// A cell takes objects until this many have not fitted in it.
constexpr int misses_to_stop = 4;
constexpr uint32_t owner = 1;

// splitmix64: a small generator whose output is fixed for every platform
// (unlike the standard distributions).
class generator {
public:
    explicit generator(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to n - 1; the bias of the remainder is far below any use here.
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }

private:
    uint64_t state_;
};

// A kind of object: its model, how often it comes in streets and in
// blocks, its descriptions and the actions a third of them get.
struct kind {
    const char* model;
    uint32_t street_weight;
    uint32_t block_weight;
    std::span<const char* const> names;
    std::span<const char* const> actions;
};

constexpr const char* tree_names[] = {"oak", "elm", "ash", "fir", "yew"};
constexpr const char* tree_actions[] = {"create solid off"};
constexpr const char* lamp_names[] = {"lamp", "gas"};
constexpr const char* lamp_actions[] = {"create solid off"};
constexpr const char* sign_names[] = {"shop", "cafe", "bank", "park", "exit"};
constexpr const char* sign_actions[] = {"create sign"};
constexpr const char* floor_names[] = {"slab", "path", "yard"};
constexpr const char* floor_actions[] = {"activate visible off"};
constexpr const char* wall_names[] = {"wall", "pen"};
constexpr const char* wall_actions[] = {"create solid off", "activate visible off"};
constexpr const char* house_names[] = {"home", "shop", "inn", "mill"};
constexpr const char* house_actions[] = {"bump noise thump.wav", "create solid off"};
constexpr const char* door_names[] = {"door"};
constexpr const char* door_actions[] = {"activate solid off"};
constexpr const char* fire_names[] = {"fire"};
constexpr const char* fire_actions[] = {"create sound crackle.wav"};
constexpr const char* button_names[] = {"bell"};
constexpr const char* button_actions[] = {"activate noise chime.wav"};
constexpr const char* fountain_names[] = {"well"};
constexpr const char* fountain_actions[] = {"create sound fountain.wav"};
constexpr const char* speaker_names[] = {"band"};
constexpr const char* speaker_actions[] = {"activate noise chime.wav"};
constexpr const char* picture_names[] = {"art"};
constexpr const char* picture_actions[] = {"create picture photo.jpg"};

constexpr kind kinds[] = {
    {"tree.rwx", 10, 6, tree_names, tree_actions},
    {"lamp.rwx", 8, 2, lamp_names, lamp_actions},
    {"sign.rwx", 6, 3, sign_names, sign_actions},
    {"floor.rwx", 4, 3, floor_names, floor_actions},
    {"wall.rwx", 1, 8, wall_names, wall_actions},
    {"house.rwx", 0, 4, house_names, house_actions},
    {"door.rwx", 0, 2, door_names, door_actions},
    {"fire.rwx", 1, 1, fire_names, fire_actions},
    {"button.rwx", 1, 1, button_names, button_actions},
    {"fountain.rwx", 1, 0, fountain_names, fountain_actions},
    {"speaker.rwx", 1, 1, speaker_names, speaker_actions},
    {"picture.rwx", 0, 1, picture_names, picture_actions},
};

const kind& pick_kind(generator& g, bool street)
{
    uint32_t total = 0;
    for (const kind& k : kinds)
        total += street ? k.street_weight : k.block_weight;
    uint32_t at = g.below(total);
    for (const kind& k : kinds) {
        uint32_t weight = street ? k.street_weight : k.block_weight;
        if (at < weight)
            return k;
        at -= weight;
    }
    return kinds[0];
}

world_seed_object make_object(generator& g, int cell_x, int cell_z)
{
    bool street = cell_x % street_every == 0 || cell_z % street_every == 0;
    const kind& k = pick_kind(g, street);
    world_seed_object o;
    // Positions in thousandths of a unit, as the server keeps them.
    o.x = (cell_x * 1000 + static_cast<int>(g.below(1000))) / 1000.0;
    o.z = (cell_z * 1000 + static_cast<int>(g.below(1000))) / 1000.0;
    o.yaw = 5.0 * g.below(72);
    o.owner = owner;
    o.model = k.model;
    o.description = k.names[g.below(static_cast<uint32_t>(k.names.size()))];
    if (g.below(3) == 0)
        o.action = k.actions[g.below(static_cast<uint32_t>(k.actions.size()))];
    return o;
}

size_t record_size(const world_seed_object& o)
{
    property_element e;
    e.model = o.model;
    e.description = o.description;
    e.action = o.action;
    return property_wire_element_size(e);
}

}  // namespace

std::vector<std::pair<int, int>> city_cells()
{
    std::vector<std::pair<int, int>> cells;
    for (int z = -reach_cells; z <= reach_cells; ++z) {
        for (int x = -reach_cells; x <= reach_cells; ++x) {
            bool gate = std::find(gates.begin(), gates.end(), std::pair(x, z)) != gates.end();
            if (100 * (x * x + z * z) < reach_square_hundredths && !gate)
                cells.emplace_back(x, z);
        }
    }
    return cells;
}

std::vector<world_seed_object> city_objects(uint32_t seed)
{
    generator g(seed);
    std::vector<world_seed_object> objects;
    for (auto [x, z] : city_cells()) {
        size_t used = 0;
        for (int misses = 0; misses < misses_to_stop;) {
            world_seed_object o = make_object(g, x, z);
            size_t size = record_size(o);
            if (used + size > property::max_cell) {
                ++misses;
                continue;
            }
            used += size;
            objects.push_back(std::move(o));
        }
    }
    return objects;
}
