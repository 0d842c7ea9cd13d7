// The world side over TCP: the universe and the property service on free
// ports of 127.0.0.1, Wren (1) and Finch (2) logged in to the universe, and
// requests sent as the client sends them, byte for byte.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "city.h"
#include "clock.h"
#include "data_dir.h"
#include "event_loop.h"
#include "harness.h"
#include "net/universe_codes.h"
#include "property_service.h"
#include "property_wire.h"
#include "socket_client.h"
#include "store.h"
#include "support/temp_dir.h"
#include "universe_service.h"
#include "worlds.h"

namespace {

using stamp = std::array<uint8_t, 4>;
constexpr uint32_t wren = 1, finch = 2, tourist = 0;

// A request body, big-endian fields.
class body {
public:
    body& u8(int v)
    {
        bytes_.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    body& u16(int v) { return u8(v >> 8).u8(v); }
    body& u32(int64_t v) { return u16(static_cast<int>(v >> 16)).u16(static_cast<int>(v)); }
    body& raw(const stamp& s)
    {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        return *this;
    }
    body& texts(const std::string& model, const std::string& description,
                const std::string& action)
    {
        u8(static_cast<int>(model.size()))
            .u8(static_cast<int>(description.size()))
            .u8(static_cast<int>(action.size()));
        for (const std::string* t : {&model, &description, &action})
            bytes_.insert(bytes_.end(), t->begin(), t->end());
        return *this;
    }
    const bytes& get() const { return bytes_; }

private:
    bytes bytes_;
};

// Positions in thousandths of a unit.
bytes add_request(uint32_t identity, int x, int y, int z, const std::string& model,
                  const std::string& description = "", const std::string& action = "",
                  stamp s = {})
{
    return body().u8(0).u8(0).u16(900).raw(s).u32(identity).u32(x).u32(y).u32(z)
        .texts(model, description, action).get();
}

bytes change_request(uint32_t identity, int number, uint32_t owner, int x, int y, int z,
                     int old_x, int old_z, const std::string& model,
                     const std::string& action = "", stamp s = {})
{
    return body().u8(7).u8(number).u16(-450).raw(s).u32(identity).u32(owner).u32(x).u32(y)
        .u32(z).u16(old_x).u16(old_z).texts(model, "moved", action).get();
}

bytes delete_request(uint32_t identity, int x, int z, int number, stamp s = {})
{
    return body().u8(2).u8(number).u16(0).u16(x).u16(z).raw(s).u32(identity).get();
}

bytes query_request(uint32_t identity, int sx, int sz, const std::array<stamp, 9>& stamps = {})
{
    body b;
    b.u8(3).u8(0).u16(0).u16(sx).u16(sz);
    for (const stamp& s : stamps)
        b.raw(s);
    return b.u32(identity).get();
}

bytes options_read(uint32_t identity)
{
    return body().u8(5).u8(0).u16(0).u32(identity).get();
}

bytes options_write(uint32_t identity, const std::map<int, std::string>& slots)
{
    body b;
    b.u8(6).u8(0).u16(0).u32(identity);
    for (const auto& [slot, text] : slots) {
        b.u8(slot).u8(static_cast<int>(text.size()));
        for (char c : text)
            b.u8(c);
    }
    return b.get();
}

bytes eject_request(uint32_t identity, const stamp& address, uint32_t seconds)
{
    return body().u8(1).u32(identity).raw(address).u32(seconds).get();
}

struct element {
    int number = 0;
    uint32_t owner = 0;
    int x = 0, y = 0, z = 0, yaw = 0;
    std::string model, description, action;
};

struct cell {
    int x = 0, z = 0;
    std::vector<int> gone;
    std::vector<element> elements;
};

// A reply: a status byte, or cells and sector stamps.
struct reply {
    bool is_status = false;
    int status = 0;
    std::vector<cell> cells;
    std::map<std::pair<int, int>, stamp> stamps;
    std::map<int, std::string> attributes;
};

int i16(const bytes& b, size_t at)
{
    return static_cast<int16_t>(b[at] << 8 | b[at + 1]);
}

uint32_t u32(const bytes& b, size_t at)
{
    return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

reply parse_records(const bytes& b)
{
    reply r;
    size_t at = 0;
    while (at < b.size()) {
        switch (b[at]) {
        case 0:
            r.cells.push_back(cell{i16(b, at + 1), i16(b, at + 3), {}, {}});
            at += 5;
            break;
        case 1:
            at += 1;
            break;
        case 2: {
            element e;
            e.number = b[at + 1];
            e.owner = u32(b, at + 2);
            e.x = i16(b, at + 10);
            e.y = i16(b, at + 12);
            e.z = i16(b, at + 14);
            e.yaw = i16(b, at + 16);
            size_t m = b[at + 18], d = b[at + 19], a = b[at + 20];
            const char* text = reinterpret_cast<const char*>(b.data() + at + 21);
            e.model.assign(text, m);
            e.description.assign(text + m, d);
            e.action.assign(text + m + d, a);
            r.cells.back().elements.push_back(e);
            at += 21 + m + d + a;
            break;
        }
        case 3:
            r.cells.back().gone.push_back(b[at + 1]);
            at += 2;
            break;
        case 4:
            r.stamps[{i16(b, at + 1), i16(b, at + 3)}] =
                stamp{b[at + 5], b[at + 6], b[at + 7], b[at + 8]};
            at += 9;
            break;
        default:
            ADD_FAILURE() << "record type " << int(b[at]);
            return r;
        }
    }
    return r;
}

std::map<int, std::string> parse_attributes(const bytes& b)
{
    std::map<int, std::string> slots;
    for (size_t at = 0; at + 2 <= b.size(); at += 2 + b[at + 1])
        slots[b[at]] = std::string(b.begin() + static_cast<long>(at) + 2,
                                   b.begin() + static_cast<long>(at) + 2 + b[at + 1]);
    return slots;
}

// The universe and the world servers on one loop, the test running it.
struct world_side {
    temp_dir dir;
    std::string data = dir.file("data");
    us_store* store = nullptr;
    server_worlds* worlds = server_worlds_create();
    server_loop* loop = server_loop_create();
    us_service* universe = nullptr;
    property_service* property = nullptr;
    std::unique_ptr<socket_client> wren_session, finch_session;

    // Option writes are taken after `write_quiet_ms` of quiet; connections
    // silent for `idle_timeout_ms` are closed. With `city_seed`, the
    // generated city runs as a third world.
    explicit world_side(int write_quiet_ms = 20, int idle_timeout_ms = 120000,
                        std::optional<uint32_t> city_seed = std::nullopt)
    {
        std::filesystem::create_directories(dir.file("content/qo/models"));
        std::filesystem::create_directories(dir.file("content/gate"));
        dir.write("content/gate/seed.objects", "0.5\t0\t0.5\t0\t0\tfountain.rwx\n");
        // The data directory's seed file comes before the content's.
        dir.write("content/qo/seed.objects", "1.5\t0\t0.5\t0\t0\tignored.rwx\n");
        std::filesystem::create_directories(data);
        dir.write("data/qo.world",
                  "caretakers 2\nenter *\nbuild *\nrestricted-radius 30\n"
                  "special-objects\nspecial-actions\n");
        dir.write("data/gate.world", "enter *\nbuild\n");
        dir.write("data/qo.objects", "-20.5\t0\t30.25\t90\t2\ttree1.rwx\tA seed\t\n");
        for (const char* model : {"tree1", "wall", "zsign"})
            dir.write(std::string("content/qo/models/") + model + ".zip", "PK");
        dir.write("content/qo/models/Bench.zip", "PK");
        store = us_store_open(dir.file("data/universe.db"));
        EXPECT_EQ(server_data_seed_citizens(store), 0);
        server_worlds_add(worlds, "qo", "Kestrel", 0);
        server_worlds_add(worlds, "gate", "Gate", 0);
        if (city_seed) {
            EXPECT_EQ(server_data_add_city(data, 0, worlds), 0);
        }
        EXPECT_EQ(
            us_service_start(loop, "127.0.0.1", 0, us_universe_options{}, store, worlds, &universe),
            0);
        property_service_options options;
        options.data = data;
        options.content = dir.file("content");
        options.http_port = 5680;
        options.write_quiet_ms = write_quiet_ms;
        options.idle_timeout_ms = idle_timeout_ms;
        options.city = city_seed.has_value();
        options.city_seed = city_seed.value_or(0);
        EXPECT_EQ(property_service_start(loop, options, worlds, universe, &property), 0);
        wren_session = log_in("Wren", "wren");
        finch_session = log_in("Finch", "finch");
    }
    ~world_side()
    {
        wren_session.reset();
        finch_session.reset();
        property_service_stop(property);
        us_service_stop(universe);
        server_loop_destroy(loop);
        server_worlds_destroy(worlds);
        us_store_close(store);
    }
    void step() { server_loop_run_once(loop, 10); }
    void steps(int n)
    {
        for (int i = 0; i < n; ++i)
            step();
    }

    std::unique_ptr<socket_client> log_in(const char* name, const char* password,
                                          uint32_t from = 0x7F000001)
    {
        auto client = std::make_unique<socket_client>(us_service_port(universe), from);
        client->send(login_request(name, password).framed());
        std::optional<bytes> m;
        EXPECT_TRUE(wait_for([&] { return (m = client->message()).has_value(); }, [&] { step(); }));
        EXPECT_TRUE(m && (*m)[2] == 0);
        return client;
    }

    uint16_t port(const char* world)
    {
        server_world w;
        EXPECT_EQ(server_worlds_find(worlds, world, &w), 1);
        EXPECT_TRUE(w.running);
        return w.port;
    }

    // Sends one request and returns the reply's body (without its length).
    bytes ask_raw(socket_client& client, const bytes& request)
    {
        client.send(request);
        std::optional<bytes> m;
        EXPECT_TRUE(wait_for([&] { return (m = client.message()).has_value(); }, [&] { step(); }));
        return m ? bytes(m->begin() + 2, m->end()) : bytes{};
    }
    reply ask(socket_client& client, const bytes& request)
    {
        bytes b = ask_raw(client, request);
        if (b.size() == 1)
            return reply{true, b[0], {}, {}, {}};
        return parse_records(b);
    }
    int status(socket_client& client, const bytes& request)
    {
        reply r = ask(client, request);
        EXPECT_TRUE(r.is_status);
        return r.is_status ? r.status : -1;
    }
};

TEST(world_side, answers_a_query_with_exactly_the_sectors_whose_stamps_differ)
{
    world_side w;
    socket_client c(w.port("qo"));
    // Nothing built near the origin: every stamp is still 0.
    EXPECT_TRUE(w.ask_raw(c, query_request(wren, 0, 0)).empty());

    // Cells 10 and 16 lie in sectors 2 and 3.
    ASSERT_FALSE(w.ask(c, add_request(wren, 10500, 0, 500, "tree1.rwx")).is_status);
    ASSERT_FALSE(w.ask(c, add_request(wren, 16500, 250, 500, "wall.rwx", "", "")).is_status);
    reply r = w.ask(c, query_request(wren, 2, 0));
    ASSERT_FALSE(r.is_status);
    ASSERT_EQ(r.stamps.size(), 2u);
    ASSERT_TRUE(r.stamps.count({2, 0}));
    ASSERT_TRUE(r.stamps.count({3, 0}));
    ASSERT_EQ(r.cells.size(), 2u);
    EXPECT_EQ(r.cells[0].x, 10);
    ASSERT_EQ(r.cells[0].elements.size(), 1u);
    EXPECT_EQ(r.cells[0].elements[0].model, "tree1.rwx");
    EXPECT_EQ(r.cells[0].elements[0].owner, wren);
    EXPECT_EQ(r.cells[0].elements[0].x, 500);
    EXPECT_EQ(r.cells[0].elements[0].yaw, 900);
    EXPECT_EQ(r.cells[1].x, 16);
    EXPECT_EQ(r.cells[1].elements[0].y, 250);

    // With both stamps echoed nothing comes; with one of them stale, only
    // that sector.
    std::array<stamp, 9> stamps{};
    stamps[4] = r.stamps[{2, 0}];
    stamps[5] = r.stamps[{3, 0}];
    EXPECT_TRUE(w.ask_raw(c, query_request(wren, 2, 0, stamps)).empty());
    stamps[5] = stamp{0, 0, 0, 1};
    reply again = w.ask(c, query_request(wren, 2, 0, stamps));
    ASSERT_EQ(again.stamps.size(), 1u);
    EXPECT_TRUE(again.stamps.count({3, 0}));
    ASSERT_EQ(again.cells.size(), 1u);
    EXPECT_EQ(again.cells[0].x, 16);

    // The same sectors seen from the next sector over lie at other places
    // of the nine; and the seed object of the new world is in its sector.
    std::array<stamp, 9> shifted{};
    shifted[3] = r.stamps[{2, 0}];
    reply from_east = w.ask(c, query_request(wren, 3, 0, shifted));
    EXPECT_EQ(from_east.stamps.size(), 1u);
    EXPECT_TRUE(from_east.stamps.count({3, 0}));
    reply seed = w.ask(c, query_request(tourist, -3, 5));
    ASSERT_EQ(seed.cells.size(), 1u);
    EXPECT_EQ(seed.cells[0].x, -21);
    EXPECT_EQ(seed.cells[0].z, 30);
    EXPECT_EQ(seed.cells[0].elements[0].x, 500);
    EXPECT_EQ(seed.cells[0].elements[0].z, 250);
    EXPECT_EQ(seed.cells[0].elements[0].description, "A seed");
    socket_client gate(w.port("gate"));
    reply fountain = w.ask(gate, query_request(tourist, 0, 0));
    ASSERT_EQ(fountain.cells.size(), 1u);
    EXPECT_EQ(fountain.cells[0].elements[0].model, "fountain.rwx");
}

TEST(world_side, serves_the_whole_generated_city_as_it_was_made_and_lets_nobody_build)
{
    world_side w(20, 120000, 7);
    // What the city is made of, cell by cell, as the server keeps it.
    std::map<std::pair<int, int>, std::vector<element>> made;
    for (const world_seed_object& o : city_objects(7)) {
        auto x = static_cast<int>(std::lround(o.x * 1000));
        auto z = static_cast<int>(std::lround(o.z * 1000));
        std::pair<int, int> at{static_cast<int>(std::floor(o.x)),
                               static_cast<int>(std::floor(o.z))};
        std::vector<element>& cell = made[at];
        cell.push_back(element{static_cast<int>(cell.size()), o.owner, x - at.first * 1000, 0,
                               z - at.second * 1000, static_cast<int>(o.yaw * 10), o.model,
                               o.description, o.action});
    }
    // Queries from four places cover the 5 x 5 sectors of the city; each is
    // asked again with the stamps received until nothing differs.
    socket_client c(w.port("city"));
    std::map<std::pair<int, int>, stamp> stamps;
    std::map<std::pair<int, int>, std::vector<element>> served;
    int queries = 0;
    for (auto [sx, sz] : {std::pair(-1, -1), {1, -1}, {-1, 1}, {1, 1}}) {
        for (bool more = true; more && queries < 100; ++queries) {
            std::array<stamp, 9> echoed{};
            for (int i = 0; i < 9; ++i)
                echoed[i] = stamps[{sx + i % 3 - 1, sz + i / 3 - 1}];
            reply r = w.ask(c, query_request(tourist, sx, sz, echoed));
            more = !r.stamps.empty();
            for (const auto& [sector, s] : r.stamps)
                stamps[sector] = s;
            for (const cell& cell : r.cells)
                served[{cell.x, cell.z}] = cell.elements;
        }
    }
    EXPECT_EQ(served.size(), city_cells().size());
    for (const auto& [at, elements] : made) {
        std::vector<element>& got = served[at];
        size_t bytes = 0;
        ASSERT_EQ(got.size(), elements.size()) << at.first << " " << at.second;
        for (size_t i = 0; i < got.size(); ++i) {
            const element &a = got[i], &b = elements[i];
            EXPECT_TRUE(a.number == b.number && a.owner == b.owner && a.x == b.x && a.y == b.y &&
                        a.z == b.z && a.yaw == b.yaw && a.model == b.model &&
                        a.description == b.description && a.action == b.action)
                << at.first << " " << at.second << " #" << i;
            bytes += 20 + a.model.size() + a.description.size() + a.action.size();
        }
        EXPECT_LE(bytes, property::max_cell);
    }
    // The city was stored in one go: its 21 sectors (the 5 x 5 but the
    // corners, which lie beyond 120 m) carry one and the same stamp.
    std::vector<stamp> given;
    for (const auto& [sector, s] : stamps) {
        if (s != stamp{})
            given.push_back(s);
    }
    EXPECT_EQ(given.size(), 21u);
    EXPECT_EQ(std::set<stamp>(given.begin(), given.end()).size(), 1u);

    socket_client wren_world(w.port("city"));
    EXPECT_EQ(w.status(wren_world, add_request(wren, 500, 0, 500, "tree.rwx")),
              property::status_no_build_rights);
}

TEST(world_side, confirms_adds_moves_and_deletes_with_the_cells_new_contents)
{
    world_side w;
    socket_client c(w.port("qo"));
    // Added into cell (10, -5); the client's stamp was current, so the new
    // stamp comes along.
    reply added = w.ask(c, add_request(wren, 10250, 1000, -4500, "tree1.rwx", "a tree",
                                       "activate url http://vireo.invalid"));
    ASSERT_FALSE(added.is_status);
    ASSERT_EQ(added.cells.size(), 1u);
    EXPECT_EQ(added.cells[0].x, 10);
    EXPECT_EQ(added.cells[0].z, -5);
    ASSERT_EQ(added.cells[0].elements.size(), 1u);
    const element& tree = added.cells[0].elements[0];
    EXPECT_EQ(tree.x, 250);
    EXPECT_EQ(tree.z, 500);
    EXPECT_EQ(tree.y, 1000);
    EXPECT_EQ(tree.description, "a tree");
    EXPECT_EQ(tree.action, "activate url http://vireo.invalid");
    ASSERT_EQ(added.stamps.size(), 1u);
    stamp current = added.stamps.begin()->second;
    EXPECT_EQ(added.stamps.begin()->first, std::make_pair(2, -1));

    // A second object gets the next number.
    reply second = w.ask(c, add_request(wren, 10750, 0, -4500, "wall.rwx", "", "", current));
    ASSERT_EQ(second.cells[0].elements.size(), 2u);
    EXPECT_EQ(second.cells[0].elements[1].number, tree.number + 1);

    // Moved into the next cell: both cells, the old one telling that the
    // number is gone.
    reply moved = w.ask(c, change_request(wren, tree.number, wren, 11250, 0, -4500, 10, -5,
                                          "tree1.rwx"));
    ASSERT_FALSE(moved.is_status);
    ASSERT_EQ(moved.cells.size(), 2u);
    EXPECT_EQ(moved.cells[0].x, 10);
    EXPECT_EQ(moved.cells[0].gone, std::vector<int>{tree.number});
    ASSERT_EQ(moved.cells[0].elements.size(), 1u);
    EXPECT_EQ(moved.cells[0].elements[0].model, "wall.rwx");
    EXPECT_EQ(moved.cells[1].x, 11);
    ASSERT_EQ(moved.cells[1].elements.size(), 1u);
    EXPECT_EQ(moved.cells[1].elements[0].description, "moved");
    EXPECT_EQ(moved.cells[1].elements[0].yaw, -450);
    int moved_number = moved.cells[1].elements[0].number;
    // The client's stamp was stale (it sent none): no stamp comes.
    EXPECT_TRUE(moved.stamps.empty());

    // A change within its cell answers that one cell.
    reply turned = w.ask(c, change_request(wren, moved_number, wren, 11500, 0, -4500, 11, -5,
                                           "tree1.rwx"));
    ASSERT_EQ(turned.cells.size(), 1u);
    EXPECT_EQ(turned.cells[0].elements[0].x, 500);

    reply deleted = w.ask(c, delete_request(wren, 11, -5, moved_number));
    ASSERT_FALSE(deleted.is_status);
    ASSERT_EQ(deleted.cells.size(), 1u);
    EXPECT_TRUE(deleted.cells[0].elements.empty());
    EXPECT_EQ(deleted.cells[0].gone, std::vector<int>{moved_number});

    // A query from scratch tells of the emptied cell too.
    reply q = w.ask(c, query_request(wren, 2, -1));
    ASSERT_EQ(q.cells.size(), 2u);
    EXPECT_EQ(q.cells[1].x, 11);
    EXPECT_TRUE(q.cells[1].elements.empty());
    EXPECT_EQ(q.cells[1].gone, std::vector<int>{moved_number});
}

TEST(world_side, refuses_each_request_the_rules_forbid_with_its_code)
{
    world_side w;
    socket_client c(w.port("qo"));
    socket_client gate(w.port("gate"));
    // Finch, the caretaker, owns a cell; Wren builds in the next one.
    ASSERT_FALSE(w.ask(c, add_request(finch, 20500, 0, 500, "wall.rwx")).is_status);
    ASSERT_FALSE(w.ask(c, add_request(wren, 21500, 0, 500, "tree1.rwx")).is_status);

    EXPECT_EQ(w.status(c, add_request(tourist, 22500, 0, 500, "tree1.rwx")), 110);
    EXPECT_EQ(w.status(gate, add_request(wren, 22500, 0, 500, "tree1.rwx")), 110);
    EXPECT_EQ(w.status(c, add_request(99, 22500, 0, 500, "tree1.rwx")), 12);
    EXPECT_EQ(w.status(c, add_request(wren, 20400, 0, 500, "tree1.rwx")), 100);
    EXPECT_EQ(w.status(c, add_request(wren, 22500, 0, 500, "house.rwx")), 106);
    // Model names match the art without regard to case, as the object
    // server serves it.
    EXPECT_FALSE(w.ask(c, add_request(wren, 24500, 0, 500, "bench.RWX")).is_status);
    EXPECT_EQ(w.status(c, add_request(wren, 22500, 0, 500, "../qo/models/tree1")), 106);
    EXPECT_EQ(w.status(c, add_request(wren, 22500, 0, 500, "zsign.rwx")), 113);
    EXPECT_EQ(w.status(c, add_request(wren, 22500, 0, 500, "tree1", "", "create url x")), 109);
    EXPECT_EQ(w.status(c, add_request(wren, 22500, 0, 500, "tree1", "", "bump avatars off")),
              109);
    EXPECT_EQ(w.status(c, add_request(wren, 2000, 0, 1500, "tree1.rwx")), 114);
    EXPECT_EQ(w.status(c, add_request(wren, 32765000, 0, 500, "tree1.rwx")), 111);
    EXPECT_EQ(w.status(c, add_request(wren, 22500, 40000, 500, "tree1.rwx")), 111);
    // Someone else's object: not changed, not demolished, not given away.
    EXPECT_EQ(w.status(c, change_request(wren, 0, finch, 20600, 0, 500, 20, 0, "wall.rwx")), 3);
    EXPECT_EQ(w.status(c, delete_request(wren, 20, 0, 0)), 102);
    EXPECT_EQ(w.status(c, change_request(wren, 0, finch, 21600, 0, 500, 21, 0, "tree1.rwx")), 11);
    EXPECT_EQ(w.status(c, change_request(wren, 7, wren, 21600, 0, 500, 21, 0, "tree1.rwx")), 101);
    // Moving one's own object into someone else's cell.
    EXPECT_EQ(w.status(c, change_request(wren, 0, wren, 20600, 0, 500, 21, 0, "tree1.rwx")), 100);
    // A cell holds 1200 bytes of records.
    std::string long_text(255, 'x');
    int added = 0;
    for (; added < 10; ++added) {
        reply r = w.ask(c, add_request(wren, 23500, 0, 500, "tree1.rwx", long_text));
        if (r.is_status) {
            EXPECT_EQ(r.status, 103);
            break;
        }
    }
    EXPECT_EQ(added, 4);
    // The caretaker may do what others may not.
    EXPECT_FALSE(w.ask(c, add_request(finch, 2000, 0, 1500, "zsign.rwx", "", "create url x"))
                     .is_status);
    EXPECT_FALSE(w.ask(c, change_request(finch, 0, finch, 21600, 0, 500, 21, 0, "tree1.rwx"))
                     .is_status);
}

TEST(world_side, reads_options_for_anyone_and_writes_them_only_for_caretakers)
{
    world_side w;
    socket_client c(w.port("qo"));
    std::map<int, std::string> wren_view = parse_attributes(w.ask_raw(c, options_read(wren)));
    EXPECT_EQ(wren_view[0], "Kestrel");
    EXPECT_EQ(wren_view[3], "127.0.0.1:5680/qo");
    EXPECT_EQ(wren_view[6], "*");
    EXPECT_EQ(wren_view[15], "30");
    EXPECT_EQ(wren_view[16], "qo");
    EXPECT_EQ(wren_view[21], "3");
    EXPECT_FALSE(wren_view.count(14));
    EXPECT_FALSE(wren_view.count(17));
    std::map<int, std::string> finch_view = parse_attributes(w.ask_raw(c, options_read(finch)));
    EXPECT_EQ(finch_view[14], "Y");
    EXPECT_EQ(finch_view[17], "Y");
    EXPECT_EQ(finch_view[21], "10");
    EXPECT_EQ(parse_attributes(w.ask_raw(c, options_read(tourist)))[21], "1");

    // Written back as the dialog does: every slot that has a value.
    std::map<int, std::string> edited = finch_view;
    for (int computed : {14, 16, 17, 21})
        edited.erase(computed);
    edited[0] = "Kestrel Heights";
    edited[6] = "2, 3 and more";
    EXPECT_EQ(w.status(c, options_write(wren, edited)), 7);
    EXPECT_EQ(parse_attributes(w.ask_raw(c, options_read(wren)))[0], "Kestrel");
    EXPECT_EQ(w.status(c, options_write(finch, edited)), 0);
    std::map<int, std::string> after = parse_attributes(w.ask_raw(c, options_read(wren)));
    EXPECT_EQ(after[0], "Kestrel Heights");
    EXPECT_EQ(after[6], "2, 3 ");
    EXPECT_EQ(after[3], "127.0.0.1:5680/qo");
    EXPECT_EQ(after[21], "1");
    EXPECT_EQ(w.status(c, add_request(wren, 22500, 0, 500, "tree1.rwx")), 110);
    // A slot left out loses its value.
    edited.erase(15);
    EXPECT_EQ(w.status(c, options_write(finch, edited)), 0);
    EXPECT_FALSE(parse_attributes(w.ask_raw(c, options_read(wren))).count(15));
    // With every slot up to 11 emptied nobody but the caretaker may enter,
    // and the title's record still leads the reply (a first byte of 12
    // would tell the client its identity was rejected).
    for (int slot = 0; slot < 12; ++slot)
        edited.erase(slot);
    EXPECT_EQ(w.status(c, options_write(finch, edited)), 0);
    EXPECT_EQ(w.ask_raw(c, options_read(wren)), bytes{7});
    bytes emptied = w.ask_raw(c, options_read(finch));
    ASSERT_GE(emptied.size(), 3u);
    EXPECT_EQ(emptied[0], 0);
    EXPECT_EQ(emptied[1], 0);
    EXPECT_EQ(emptied[2], 14);
    // A record for a slot past 23 is refused.
    EXPECT_EQ(w.status(c, options_write(finch, {{24, "x"}})), 7);
}

TEST(world_side, takes_an_option_write_in_pieces_whole_and_closes_silent_connections)
{
    server_clock_freeze(1700000000);
    {
        world_side w(1000, 60000);
        socket_client c(w.port("qo"));
        std::map<int, std::string> slots = parse_attributes(w.ask_raw(c, options_read(finch)));
        for (int computed : {14, 16, 17, 21})
            slots.erase(computed);
        slots[0] = "Kestrel Heights";
        // The write comes in two pieces 300 ms apart, the first ending on a
        // whole record: nothing is taken before a second of quiet.
        std::map<int, std::string> head(slots.begin(), slots.find(8));
        bytes first = options_write(finch, head), whole = options_write(finch, slots);
        c.send(first);
        w.steps(3);
        server_clock_advance(300);
        w.steps(3);
        EXPECT_FALSE(c.message());
        c.send(bytes(whole.begin() + static_cast<long>(first.size()), whole.end()));
        w.steps(3);
        server_clock_advance(999);
        w.steps(3);
        EXPECT_FALSE(c.message());
        server_clock_advance(100);
        EXPECT_EQ(w.status(c, {}), 0);
        std::map<int, std::string> after = parse_attributes(w.ask_raw(c, options_read(wren)));
        EXPECT_EQ(after[0], "Kestrel Heights");
        EXPECT_EQ(after[8], "*");
        EXPECT_EQ(after[15], "30");

        // A connection silent for a minute is closed; one in use stays.
        socket_client idle(w.port("qo"));
        w.steps(3);
        server_clock_advance(30000);
        EXPECT_GT(w.ask_raw(c, options_read(wren)).size(), 1u);
        server_clock_advance(30000);
        EXPECT_TRUE(wait_for([&] { return !idle.poll(); }, [&] { w.step(); }));
        EXPECT_TRUE(c.poll());
    }
    server_clock_release();
}

TEST(world_side, ejects_an_address_for_the_time_given_and_rejects_unknown_identities)
{
    server_clock_freeze(1700000000);
    {
        world_side w;
        socket_client c(w.port("qo"));
        stamp loopback{127, 0, 0, 1};
        EXPECT_EQ(w.status(c, eject_request(wren, loopback, 60)), 7);
        EXPECT_EQ(w.status(c, eject_request(finch, loopback, 60)), 0);
        // Every request from that address, of anyone, is refused meanwhile.
        EXPECT_EQ(w.status(c, query_request(wren, 0, 0)), 15);
        EXPECT_EQ(w.status(c, options_read(tourist)), 15);
        socket_client other(w.port("qo"));
        EXPECT_EQ(w.status(other, add_request(finch, 22500, 0, 500, "tree1.rwx")), 15);
        // Other worlds are not concerned.
        socket_client gate(w.port("gate"));
        EXPECT_GT(w.ask_raw(gate, options_read(wren)).size(), 1u);
        server_clock_advance(61000);
        EXPECT_TRUE(w.ask_raw(c, query_request(wren, 0, 0)).empty());

        // Building identities must be logged in to the universe, and count
        // only from the address they logged in from.
        EXPECT_EQ(w.status(c, query_request(3, 0, 0)), 12);
        EXPECT_EQ(w.status(c, options_read(99)), 12);
        socket_client elsewhere(w.port("qo"), 0x7F000002);
        EXPECT_EQ(w.status(elsewhere, eject_request(finch, loopback, 60)), 12);
        // An option write is taken after a quiet moment: the clock moves on.
        elsewhere.send(options_write(finch, {{0, "Taken"}}));
        std::optional<bytes> written;
        EXPECT_TRUE(wait_for([&] { return (written = elsewhere.message()).has_value(); },
                             [&] { w.step(); server_clock_advance(10); }));
        EXPECT_TRUE(written && written->size() == 3 && (*written)[2] == 12);
        EXPECT_EQ(parse_attributes(w.ask_raw(c, options_read(wren)))[0], "Kestrel");
        w.wren_session.reset();
        EXPECT_TRUE(wait_for(
            [&] { return w.ask_raw(c, options_read(wren)) == bytes{12}; },
            [&] { w.step(); }));
        EXPECT_GT(w.ask_raw(c, options_read(finch)).size(), 1u);
        w.wren_session = w.log_in("Wren", "wren", 0x7F000002);
        EXPECT_GT(w.ask_raw(elsewhere, options_read(wren)).size(), 1u);
        EXPECT_EQ(w.ask_raw(c, options_read(wren)), bytes{12});
    }
    server_clock_release();
}

TEST(world_side, tells_a_citizens_watchers_the_world_it_builds_in)
{
    world_side w;
    // Message 15 on Finch's universe connection: Wren (1) on line in `world`.
    auto wren_in = [](const std::string& world) {
        bytes m{0, static_cast<uint8_t>(13 + world.size()), 0, universe::message_contacts,
                0, 0, 0, 1, 1, 4, 'W', 'r', 'e', 'n', static_cast<uint8_t>(world.size())};
        m.insert(m.end(), world.begin(), world.end());
        return m;
    };
    auto heard = [&] {
        std::optional<bytes> m;
        wait_for([&] { return (m = w.finch_session->message()).has_value(); }, [&] { w.step(); });
        return m.value_or(bytes{});
    };
    w.finch_session->send(client_request(universe::request_contact_list).u32(wren).framed());
    EXPECT_EQ(heard(), wren_in(""));

    auto qo = std::make_unique<socket_client>(w.port("qo"));
    EXPECT_GT(w.ask_raw(*qo, options_read(wren)).size(), 1u);
    EXPECT_EQ(heard(), wren_in("qo"));
    // On to the next world before the last connection has closed; that
    // closing does not take Wren out of the new one.
    auto gate = std::make_unique<socket_client>(w.port("gate"));
    EXPECT_GT(w.ask_raw(*gate, query_request(wren, 0, 0)).size(), 1u);
    EXPECT_EQ(heard(), wren_in("gate"));
    qo.reset();
    w.finch_session->send(client_request(universe::request_contact_list).u32(wren).framed());
    EXPECT_EQ(heard(), wren_in("gate"));
    gate.reset();
    EXPECT_EQ(heard(), wren_in(""));
}

TEST(world_side, closes_a_connection_that_sends_no_request_and_keeps_the_others)
{
    world_side w;
    socket_client bad(w.port("qo"));
    socket_client good(w.port("qo"));
    bad.send({9, 0, 0, 0});
    EXPECT_TRUE(wait_for([&] { return !bad.poll(); }, [&] { w.step(); }));
    // A request in pieces is answered once whole.
    bytes request = options_read(wren);
    good.send(bytes(request.begin(), request.begin() + 3));
    for (int i = 0; i < 5; ++i)
        w.step();
    EXPECT_FALSE(good.message());
    EXPECT_GT(w.ask_raw(good, bytes(request.begin() + 3, request.end())).size(), 1u);
}

}  // namespace
