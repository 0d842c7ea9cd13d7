#include "property.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include "clock.h"
#include "content_names.h"
#include "log.h"
#include "property_wire.h"
#include "world_store.h"

namespace {

namespace slot {
constexpr size_t title = 0;
constexpr size_t object_path = 3;
constexpr size_t build = 6;
constexpr size_t eminent_domain = 7;
constexpr size_t enter = 8;
constexpr size_t special_actions = 9;
constexpr size_t special_objects = 10;
constexpr size_t caretaker = 14;
constexpr size_t restricted_radius = 15;
constexpr size_t world_name = 16;
constexpr size_t public_speaker = 17;
constexpr size_t public_speakers = 18;
constexpr size_t rights_level = 21;
}  // namespace slot

// A query's reply takes further sectors only while it is at most this long;
// the client queries again at once after a longer one.
constexpr size_t query_reply_soft = 4096;
// Removed numbers remembered per cell.
constexpr size_t gone_max = 64;
// World limits, thousandths of a unit.
constexpr int32_t horizontal_limit = 32764000;

// Rights levels (the option slot 21): the client offers ejection to public
// speakers of level 7 or more.
constexpr int level_caretaker = 10;
constexpr int level_speaker = 7;
constexpr int level_eminent = 5;
constexpr int level_builder = 3;
constexpr int level_visitor = 1;
constexpr int level_eject = 7;

struct rights {
    bool caretaker = false;
    bool enter = false;
    bool build = false;
    bool eminent = false;
    bool special_objects = false;
    bool special_actions = false;
    bool speaker = false;
    int level = 0;
};

struct connection_state {
    uint32_t peer = 0;
    uint32_t local = 0;
    std::vector<uint8_t> input;
    // The universe session whose identity the connection last built as,
    // and that identity.
    int session = 0;
    uint32_t identity = 0;
    int64_t last_input = 0;  // when the last bytes came (or the connection opened)
};

// A rights list: citizen numbers, "*" for everybody, blanks and commas
// between. Tourists (identity 0) match only "*".
bool listed(std::string_view list, uint32_t identity)
{
    size_t at = 0;
    while (at < list.size()) {
        size_t end = list.find_first_of(" ,", at);
        if (end == std::string_view::npos)
            end = list.size();
        std::string_view token = list.substr(at, end - at);
        if (token == "*")
            return true;
        if (!token.empty() && identity != 0 && token.size() <= 10 &&
            std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
            std::strtoull(std::string(token).c_str(), nullptr, 10) == identity)
            return true;
        at = end + 1;
    }
    return false;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Splits at `separator` outside double-quoted strings.
std::vector<std::string_view> split_outside_quotes(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string first_word(std::string_view text)
{
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos)
        return {};
    size_t end = text.find_first_of(" \t\r\n", begin);
    return lower(text.substr(begin, end == std::string_view::npos ? end : end - begin));
}

// Special actions reach beyond the object to every visitor: hiding the
// other people ("avatars") and opening web pages on arrival ("url" in a
// create clause).
bool action_is_special(std::string_view action)
{
    for (std::string_view clause : split_outside_quotes(action, ';')) {
        std::string trigger = first_word(clause);
        size_t begin = clause.find_first_not_of(" \t\r\n");
        if (begin == std::string_view::npos)
            continue;
        std::string_view commands = clause.substr(begin + trigger.size());
        for (std::string_view command : split_outside_quotes(commands, ',')) {
            std::string word = first_word(command);
            if (word == "avatars" || (word == "url" && trigger == "create"))
                return true;
        }
    }
    return false;
}

// Special objects are the models whose names begin with "z".
bool model_is_special(std::string_view model)
{
    return !model.empty() && (model.front() == 'z' || model.front() == 'Z');
}

int floor_div(int32_t value, int32_t divisor)
{
    int32_t q = value / divisor;
    return (value % divisor != 0 && value < 0) ? q - 1 : q;
}

property_stamp stamp_bytes(uint32_t stamp)
{
    return {static_cast<uint8_t>(stamp >> 24), static_cast<uint8_t>(stamp >> 16),
            static_cast<uint8_t>(stamp >> 8), static_cast<uint8_t>(stamp)};
}

void put_u16(std::string* out, int value)
{
    out->push_back(static_cast<char>((value >> 8) & 255));
    out->push_back(static_cast<char>(value & 255));
}

std::string address_text(uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 255,
                  (address >> 8) & 255, address & 255);
    return text;
}

// An object's place: its cell and its offsets within it.
struct placement {
    int cell_x = 0, cell_z = 0;
    int16_t x = 0, y = 0, z = 0;
};

// A cell being changed: its elements decoded, written back whole.
struct cell_edit {
    world_cell cell;
    std::vector<property_element> elements;

    property_element* find(uint8_t number)
    {
        auto it = std::find_if(elements.begin(), elements.end(),
                               [&](const property_element& e) { return e.number == number; });
        return it == elements.end() ? nullptr : &*it;
    }
    size_t size() const
    {
        size_t total = 0;
        for (const property_element& e : elements)
            total += property_wire_element_size(e);
        return total;
    }
    // The lowest number no element has, or -1.
    int free_number() const
    {
        for (int n = 0; n < 256; ++n) {
            if (std::none_of(elements.begin(), elements.end(),
                             [&](const property_element& e) { return e.number == n; }))
                return n;
        }
        return -1;
    }
    void remove(uint8_t number)
    {
        std::erase_if(elements, [&](const property_element& e) { return e.number == number; });
        std::erase(cell.gone, static_cast<char>(number));
        cell.gone.push_back(static_cast<char>(number));
        if (cell.gone.size() > gone_max)
            cell.gone.erase(0, cell.gone.size() - gone_max);
    }
    void add(property_element element)
    {
        std::erase(cell.gone, static_cast<char>(element.number));
        elements.push_back(std::move(element));
    }
    world_cell finish()
    {
        cell.records.clear();
        for (const property_element& e : elements)
            property_wire_element_put(e, &cell.records);
        return cell;
    }
};

}  // namespace

struct property_world {
    property_options options;
    world_store* store;
    property_io io;
    property_attributes overrides;  // what caretakers have set
    std::map<int, connection_state> connections;
};

namespace {

cell_edit load_cell(const property_world* w, int x, int z)
{
    cell_edit edit;
    edit.cell = world_store_cell(w->store, x, z);
    property_wire_cell_decode(edit.cell.records, &edit.elements);
    return edit;
}

// The attributes of the world's settings, before a caretaker's changes.
property_attributes defaults_of(const property_world* w, const connection_state& c)
{
    property_attributes a = w->options.settings.attributes;
    if (!a.set[slot::title]) {
        a.value[slot::title] = w->options.title;
        a.set[slot::title] = true;
    }
    if (!a.set[slot::object_path]) {
        std::string host = w->options.object_host;
        if (host.empty() || host == "0.0.0.0")
            host = address_text(c.local);
        a.value[slot::object_path] =
            host + ":" + std::to_string(w->options.http_port) + "/" + w->options.name;
        a.set[slot::object_path] = true;
    }
    return a;
}

// The attributes a client sees, before the slots that depend on who asks.
// Empty slots are left out.
property_attributes effective(const property_world* w, const connection_state& c)
{
    property_attributes a = defaults_of(w, c);
    for (size_t i = 0; i < property::attribute_slots; ++i) {
        if (w->overrides.set[i])
            a.value[i] = w->overrides.value[i];
        a.set[i] = !a.value[i].empty();
    }
    return a;
}

std::string attribute(const property_world* w, const connection_state& c, size_t index)
{
    return effective(w, c).value[index];
}

rights rights_of(const property_world* w, const connection_state& c, uint32_t identity)
{
    property_attributes a = effective(w, c);
    rights r;
    r.caretaker = identity != 0 && listed(w->options.settings.caretakers, identity);
    auto has = [&](size_t index) {
        return identity != 0 && (r.caretaker || listed(a.value[index], identity));
    };
    r.enter = r.caretaker || listed(a.value[slot::enter], identity);
    r.build = has(slot::build);
    r.eminent = has(slot::eminent_domain);
    r.special_objects = has(slot::special_objects);
    r.special_actions = has(slot::special_actions);
    r.speaker = has(slot::public_speakers);
    r.level = r.caretaker ? level_caretaker
        : r.speaker       ? level_speaker
        : r.eminent       ? level_eminent
        : r.build         ? level_builder
        : r.enter         ? level_visitor
                          : 0;
    return r;
}

void reply(property_world* w, int connection, const std::string& body)
{
    std::string framed;
    put_u16(&framed, static_cast<int>(body.size()));
    framed += body;
    w->io.send(w->io.user, connection, reinterpret_cast<const uint8_t*>(framed.data()),
               framed.size());
}

void status(property_world* w, int connection, uint8_t code)
{
    reply(w, connection, std::string(1, static_cast<char>(code)));
}

// Cell begin, the removed numbers, the elements, cell end.
void put_cell(const world_cell& cell, std::string* out)
{
    out->push_back(static_cast<char>(property::record_cell_begin));
    put_u16(out, cell.x);
    put_u16(out, cell.z);
    for (char number : cell.gone) {
        out->push_back(static_cast<char>(property::record_element_gone));
        out->push_back(number);
    }
    std::vector<property_element> elements;
    property_wire_cell_decode(cell.records, &elements);
    for (const property_element& e : elements) {
        out->push_back(static_cast<char>(property::record_element));
        property_wire_element_put(e, out);
    }
    out->push_back(static_cast<char>(property::record_cell_end));
}

void put_stamp(int sx, int sz, uint32_t stamp, std::string* out)
{
    out->push_back(static_cast<char>(property::record_sector_stamp));
    put_u16(out, sx);
    put_u16(out, sz);
    property_stamp bytes = stamp_bytes(stamp);
    out->append(bytes.begin(), bytes.end());
}

void handle_query(property_world* w, int connection, const property_request& r)
{
    std::string body;
    size_t i = 0;
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dx = -1; dx <= 1; ++dx, ++i) {
            int sx = r.sector_x + dx, sz = r.sector_z + dz;
            uint32_t stamp = world_store_sector_stamp(w->store, sx, sz);
            if (stamp_bytes(stamp) == r.stamps[i])
                continue;
            if (body.size() > query_reply_soft)
                continue;
            std::string sector;
            for (const world_cell& cell : world_store_sector_cells(w->store, sx, sz))
                put_cell(cell, &sector);
            put_stamp(sx, sz, stamp, &sector);
            if (body.size() + sector.size() <= property::max_reply)
                body += sector;
        }
    }
    reply(w, connection, body);
}

// Checks a new position, model and action; returns 0 or the refusal. Model
// and action are checked only when `check_texts` is set (a change that
// keeps them passes whatever they are).
uint8_t check_object(const property_world* w, const connection_state& c, const rights& r,
                     const property_request& q, bool check_texts, placement* place)
{
    if (q.x > horizontal_limit || q.x < -horizontal_limit || q.z > horizontal_limit ||
        q.z < -horizontal_limit || q.y > INT16_MAX || q.y < INT16_MIN)
        return property::status_beyond_limits;
    place->cell_x = floor_div(q.x, 1000);
    place->cell_z = floor_div(q.z, 1000);
    place->x = static_cast<int16_t>(q.x - place->cell_x * 1000);
    place->y = static_cast<int16_t>(q.y);
    place->z = static_cast<int16_t>(q.z - place->cell_z * 1000);
    if (!r.caretaker) {
        double radius = std::atof(attribute(w, c, slot::restricted_radius).c_str());
        double metres = std::hypot(static_cast<double>(q.x), static_cast<double>(q.z)) / 100.0;
        if (radius > 0 && metres < radius)
            return property::status_restricted_radius;
    }
    if (!check_texts)
        return 0;
    if (model_is_special(q.model) && !r.special_objects)
        return property::status_special_object;
    std::string base = q.model.substr(0, q.model.rfind('.'));
    bool plain = !base.empty() && base.front() != '.' &&
        base.find_first_of("/\\") == std::string::npos;
    // Found as the object server finds it, without regard to case.
    std::string archive;
    std::error_code ec;
    if (!plain ||
        content_names_find(w->options.content, w->options.name + "/models/" + base + ".zip",
                           &archive) != 0 ||
        !std::filesystem::is_regular_file(archive, ec))
        return property::status_unregistered;
    if (action_is_special(q.action) && !r.special_actions)
        return property::status_illegal_action;
    return 0;
}

// Another builder's object in the cell keeps the builder out, unless the
// builder holds eminent domain.
bool encroaches(const cell_edit& cell, const rights& r, uint32_t identity)
{
    if (r.eminent)
        return false;
    return std::any_of(cell.elements.begin(), cell.elements.end(),
                       [&](const property_element& e) { return e.owner != identity; });
}

property_element element_from(const property_request& q, const placement& place, uint32_t owner)
{
    property_element e;
    e.owner = owner;
    e.time = static_cast<uint32_t>(server_clock_seconds());
    e.x = place.x;
    e.y = place.y;
    e.z = place.z;
    e.yaw = q.yaw;
    e.model = q.model.substr(0, 255);
    e.description = q.description.substr(0, 255);
    e.action = q.action.substr(0, 255);
    return e;
}

// Stores the changed cells and answers with their new contents, and with
// the stamp of the sector named by `stamp_cell` when the client's stamp
// for it was current before the change.
void commit(property_world* w, int connection, std::vector<cell_edit>& edits,
            const property_request& q, int stamp_cell_x, int stamp_cell_z)
{
    int sx = world_store_sector_from_cell(stamp_cell_x);
    int sz = world_store_sector_from_cell(stamp_cell_z);
    bool current = stamp_bytes(world_store_sector_stamp(w->store, sx, sz)) == q.stamp;
    std::vector<world_cell> cells;
    for (cell_edit& edit : edits)
        cells.push_back(edit.finish());
    if (world_store_put_cells(w->store, cells) != 0)
        return status(w, connection, property::status_failed);
    std::string body;
    for (const world_cell& cell : cells)
        put_cell(cell, &body);
    if (current)
        put_stamp(sx, sz, world_store_sector_stamp(w->store, sx, sz), &body);
    reply(w, connection, body);
}

void handle_add(property_world* w, int connection, const connection_state& c, const rights& r,
                const property_request& q)
{
    placement place;
    if (uint8_t refusal = check_object(w, c, r, q, true, &place))
        return status(w, connection, refusal);
    std::vector<cell_edit> edits{load_cell(w, place.cell_x, place.cell_z)};
    cell_edit& cell = edits.front();
    if (encroaches(cell, r, q.identity))
        return status(w, connection, property::status_encroach);
    property_element e = element_from(q, place, q.identity);
    int number = cell.free_number();
    if (number < 0 || cell.size() + property_wire_element_size(e) > property::max_cell)
        return status(w, connection, property::status_cell_full);
    e.number = static_cast<uint8_t>(number);
    cell.add(std::move(e));
    commit(w, connection, edits, q, place.cell_x, place.cell_z);
}

void handle_change(property_world* w, int connection, const connection_state& c,
                   const rights& r, const property_request& q)
{
    std::vector<cell_edit> edits{load_cell(w, q.cell_x, q.cell_z)};
    const property_element* old = edits.front().find(q.number);
    if (!old)
        return status(w, connection, property::status_no_such_object);
    if (old->owner != q.identity && !r.caretaker)
        return status(w, connection, property::status_not_owner);
    if (q.owner != old->owner && !r.caretaker)
        return status(w, connection, property::status_give_away);
    placement place;
    bool texts_changed = q.model != old->model || q.action != old->action;
    if (uint8_t refusal = check_object(w, c, r, q, texts_changed, &place))
        return status(w, connection, refusal);
    property_element e = element_from(q, place, q.owner);
    bool moved = place.cell_x != q.cell_x || place.cell_z != q.cell_z;
    e.number = q.number;
    edits.front().remove(q.number);
    if (moved) {
        edits.push_back(load_cell(w, place.cell_x, place.cell_z));
        cell_edit& target = edits.back();
        if (encroaches(target, r, q.identity))
            return status(w, connection, property::status_encroach);
        if (target.find(q.number)) {
            int number = target.free_number();
            if (number < 0)
                return status(w, connection, property::status_cell_full);
            e.number = static_cast<uint8_t>(number);
        }
    }
    cell_edit& target = edits.back();
    if (target.size() + property_wire_element_size(e) > property::max_cell)
        return status(w, connection, property::status_cell_full);
    target.add(std::move(e));
    commit(w, connection, edits, q, place.cell_x, place.cell_z);
}

void handle_delete(property_world* w, int connection, const rights& r,
                   const property_request& q)
{
    std::vector<cell_edit> edits{load_cell(w, q.cell_x, q.cell_z)};
    const property_element* old = edits.front().find(q.number);
    if (!old)
        return status(w, connection, property::status_no_such_object);
    if (old->owner != q.identity && !r.eminent)
        return status(w, connection, property::status_not_demolisher);
    edits.front().remove(q.number);
    commit(w, connection, edits, q, q.cell_x, q.cell_z);
}

void handle_options_read(property_world* w, int connection, const connection_state& c,
                         const rights& r)
{
    if (!r.enter)
        return status(w, connection, property::status_not_allowed);
    property_attributes a = effective(w, c);
    auto put = [&](size_t index, std::string value) {
        a.value[index] = std::move(value);
        a.set[index] = !a.value[index].empty();
    };
    put(slot::caretaker, r.caretaker ? "Y" : "");
    put(slot::world_name, w->options.name);
    put(slot::public_speaker, r.speaker ? "Y" : "");
    put(slot::rights_level, std::to_string(r.level));
    // The title's record always comes first, even empty: a reply whose first
    // byte is 12 would read as a rejected identity.
    a.set[slot::title] = true;
    reply(w, connection, property_wire_attributes_encode(a));
}

void handle_options_write(property_world* w, int connection, const connection_state& c,
                          const rights& r, const property_request& q)
{
    if (!r.caretaker)
        return status(w, connection, property::status_not_allowed);
    property_attributes written;
    if (property_wire_attributes_decode(q.options, &written) != 0)
        return status(w, connection, property::status_not_allowed);
    // What the client leaves out it has no value for; a slot equal to its
    // default follows the default from then on.
    property_attributes defaults = defaults_of(w, c);
    property_attributes overrides;
    for (size_t i = 0; i < property::attribute_slots; ++i) {
        if (i == slot::caretaker || i == slot::world_name || i == slot::public_speaker ||
            i == slot::rights_level)
            continue;
        std::string value = written.set[i] ? written.value[i] : std::string();
        bool rights_list = (i >= slot::build && i <= slot::special_objects) ||
            i == slot::public_speakers;
        if (rights_list)
            value = value.substr(0, value.find_first_not_of("0123456789 ,*"));
        if (value != defaults.value[i]) {
            overrides.value[i] = value;
            overrides.set[i] = true;
        }
    }
    if (world_store_set_attributes(w->store, overrides) != 0)
        return status(w, connection, property::status_failed);
    w->overrides = overrides;
    server_log("world %s: options changed by citizen %u", w->options.name.c_str(), q.identity);
    status(w, connection, property::status_ok);
}

void handle_eject(property_world* w, int connection, const rights& r, const property_request& q)
{
    if (r.level < level_eject)
        return status(w, connection, property::status_not_allowed);
    if (world_store_eject(w->store, q.target, server_clock_seconds() + q.duration) != 0)
        return status(w, connection, property::status_failed);
    server_log("world %s: %s ejected for %u seconds by citizen %u", w->options.name.c_str(),
               address_text(q.target).c_str(), q.duration, q.identity);
    status(w, connection, property::status_ok);
}

// A session has left the world once none of its connections is open.
void leave_if_gone(property_world* w, int session)
{
    for (const auto& [id, c] : w->connections) {
        if (c.session == session)
            return;
    }
    w->io.presence(w->io.user, session, 0);
}

void forget(property_world* w, std::map<int, connection_state>::iterator it)
{
    int session = it->second.session;
    w->connections.erase(it);
    if (session)
        leave_if_gone(w, session);
}

void handle(property_world* w, int connection, connection_state& c, const property_request& q)
{
    if (world_store_ejected_until(w->store, c.peer) > server_clock_seconds())
        return status(w, connection, property::status_ejected);
    // An identity counts only from the address of a universe session that
    // builds as it.
    if (q.identity != 0) {
        int session = w->io.identity_session(w->io.user, q.identity, c.peer);
        if (!session)
            return status(w, connection, property::status_identity_rejected);
        if (session != c.session) {
            int previous = std::exchange(c.session, session);
            if (previous)
                leave_if_gone(w, previous);
        }
        w->io.presence(w->io.user, session, 1);
    }
    c.identity = q.identity;
    rights r = rights_of(w, c, q.identity);
    switch (q.type) {
    case property::request_query:
        if (!r.enter)
            return status(w, connection, property::status_not_allowed);
        return handle_query(w, connection, q);
    case property::request_options_read:
        return handle_options_read(w, connection, c, r);
    case property::request_options_write:
        return handle_options_write(w, connection, c, r, q);
    case property::request_eject:
        return handle_eject(w, connection, r, q);
    default:
        break;
    }
    if (!r.build)
        return status(w, connection, property::status_no_build_rights);
    if (q.type == property::request_add)
        handle_add(w, connection, c, r, q);
    else if (q.type == property::request_change)
        handle_change(w, connection, c, r, q);
    else
        handle_delete(w, connection, r, q);
}

}  // namespace

property_world* property_create(const property_options& options, world_store* store,
                                const property_io& io)
{
    auto* w = new property_world{options, store, io, {}, {}};
    world_store_attributes(store, &w->overrides);
    return w;
}

void property_destroy(property_world* world)
{
    delete world;
}

void property_open(property_world* w, int connection, uint32_t peer, uint32_t local)
{
    connection_state& c = w->connections[connection];
    c.peer = peer;
    c.local = local;
    c.last_input = server_clock_ms();
}

namespace {

// Handles the whole requests at the start of a connection's input; `quiet`
// when no bytes have come for the write quiet time. Returns 0, or 1 when
// the input is no request.
int take_requests(property_world* w, int connection, connection_state& c, bool quiet)
{
    size_t at = 0;
    while (at < c.input.size()) {
        property_request q;
        int used = property_wire_decode(c.input.data() + at, c.input.size() - at, quiet, &q);
        if (used < 0)
            return 1;
        if (used == 0)
            break;
        at += static_cast<size_t>(used);
        handle(w, connection, c, q);
    }
    c.input.erase(c.input.begin(), c.input.begin() + static_cast<long>(at));
    return 0;
}

}  // namespace

int property_input(property_world* w, int connection, const uint8_t* data, size_t size)
{
    auto it = w->connections.find(connection);
    if (it == w->connections.end())
        return 1;
    connection_state& c = it->second;
    c.input.insert(c.input.end(), data, data + size);
    c.last_input = server_clock_ms();
    if (take_requests(w, connection, c, false) != 0) {
        forget(w, it);
        return 1;
    }
    return 0;
}

void property_tick(property_world* w)
{
    int64_t now = server_clock_ms();
    std::vector<int> ended;
    for (auto& [id, c] : w->connections) {
        int64_t silent = now - c.last_input;
        if (silent >= w->options.idle_timeout_ms ||
            (!c.input.empty() && silent >= w->options.write_quiet_ms &&
             take_requests(w, id, c, true) != 0))
            ended.push_back(id);
    }
    for (int id : ended) {
        forget(w, w->connections.find(id));
        w->io.close(w->io.user, id);
    }
}

void property_close(property_world* w, int connection)
{
    auto it = w->connections.find(connection);
    if (it != w->connections.end())
        forget(w, it);
}

int property_admits(const property_world* w, uint32_t address)
{
    if (world_store_ejected_until(w->store, address) > server_clock_seconds())
        return 0;
    if (w->io.logged_in_from(w->io.user, address))
        return 1;
    return std::any_of(w->connections.begin(), w->connections.end(),
                       [&](const auto& entry) { return entry.second.peer == address; })
        ? 1
        : 0;
}

int property_speaker(const property_world* w, uint32_t address)
{
    if (!property_admits(w, address))
        return 0;
    return std::any_of(w->connections.begin(), w->connections.end(),
                       [&](const auto& entry) {
                           const connection_state& c = entry.second;
                           return c.peer == address && c.identity != 0 &&
                               w->io.identity_session(w->io.user, c.identity, c.peer) &&
                               rights_of(w, c, c.identity).speaker;
                       })
        ? 1
        : 0;
}

int property_seed(property_world* w, const std::vector<world_seed_object>& objects)
{
    auto thousandths = [](double value) { return static_cast<int32_t>(std::lround(value * 1000)); };
    std::map<std::pair<int, int>, cell_edit> cells;
    int placed = 0;
    for (const world_seed_object& o : objects) {
        placement place;
        int32_t x = thousandths(o.x), z = thousandths(o.z);
        place.cell_x = floor_div(x, 1000);
        place.cell_z = floor_div(z, 1000);
        place.x = static_cast<int16_t>(x - place.cell_x * 1000);
        place.y = static_cast<int16_t>(thousandths(o.y));
        place.z = static_cast<int16_t>(z - place.cell_z * 1000);
        property_request q;
        q.yaw = static_cast<int16_t>(std::lround(o.yaw * 10) % 3600);
        q.model = o.model;
        q.description = o.description;
        q.action = o.action;
        auto [it, first] = cells.try_emplace({place.cell_x, place.cell_z});
        cell_edit& cell = it->second;
        if (first)
            cell = load_cell(w, place.cell_x, place.cell_z);
        property_element e = element_from(q, place, o.owner);
        int number = cell.free_number();
        if (number < 0 || cell.size() + property_wire_element_size(e) > property::max_cell)
            continue;
        e.number = static_cast<uint8_t>(number);
        cell.add(std::move(e));
        ++placed;
    }
    std::vector<world_cell> finished;
    for (auto& [at, cell] : cells)
        finished.push_back(cell.finish());
    return world_store_put_cells(w->store, finished) != 0 ? -1 : placed;
}
