#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/status.h"
#include "assets/chunk.h"
#include "assets/download.h"
#include "base/clock.h"
#include "base/main.h"
#include "base/profile.h"
#include "base/tick.h"
#include "net/citizen.h"
#include "net/resolve.h"
#include "net/universe.h"
#include "people/console.h"
#include "presence/self.h"
#include "support/tcp_peer.h"
#include "support/temp_dir.h"
#include "world/cell.h"
#include "world/database.h"
#include "world/element.h"
#include "world/prop.h"
#include "world/world.h"

namespace {

using bytes = std::vector<uint8_t>;

uint32_t fake_now = 0;
uint32_t fake_clock()
{
    return fake_now;
}

bytes cat(std::initializer_list<bytes> parts)
{
    bytes all;
    for (const bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

bytes text(const std::string& s)
{
    return bytes(s.begin(), s.end());
}

// An element record as the server sends it: 16-bit fields big-endian.
bytes element_record(int number, const std::string& model, int x = 0x0102)
{
    bytes r = {2, static_cast<uint8_t>(number), 0, 0, 0, 9, 0x65, 0x43, 0x21, 0x0f,
               static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x), 0xff, 0xfe, 0, 3, 0x0e, 0x10,
               static_cast<uint8_t>(model.size()), 1, 0};
    return cat({r, text(model), text("d")});
}

bytes cell_begin(int cx, int cz)
{
    return {0, static_cast<uint8_t>(cx >> 8), static_cast<uint8_t>(cx),
            static_cast<uint8_t>(cz >> 8), static_cast<uint8_t>(cz)};
}

const bytes cell_end = {1};

// A reply as the server frames it.
bytes framed(const bytes& body)
{
    return cat({{static_cast<uint8_t>(body.size() >> 8), static_cast<uint8_t>(body.size())}, body});
}

// The body lengths of the requests, by type (a write's is not fixed).
size_t request_length(int type)
{
    switch (type) {
    case 1: return 13;
    case 2: return 16;
    case 3: return 48;
    case 5: return 8;
    default: return 0;
    }
}

// Reads one request of a known length from the client; empty at its end.
bytes read_request(int fd)
{
    bytes type = tcp_peer::read(fd, 1, 3000);
    if (type.size() != 1 || request_length(type[0]) == 0)
        return {};
    return cat({type, tcp_peer::read(fd, request_length(type[0]) - 1, 3000)});
}

// The records of a stored cell, by number and model name.
std::vector<std::string> cell_contents(int cx, int cz)
{
    cell_update_begin(cx, cz);
    size_t length = 0;
    const uint8_t* p = cell_update_records(&length);
    std::vector<std::string> out;
    cell_record r;
    while (size_t n = cell_record_decode(p, length, &r)) {
        out.push_back(std::to_string(r.number) + ":" + std::string(r.model, r.model_length));
        p += n;
        length -= n;
    }
    return out;
}

// A world entered in a program folder of the test's own, with the frame
// clock in the test's hands; online, its server is a scripted peer that the
// universe (another peer) names.
class prop_world : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("vireo.ini", "[universe]\nhost=127.0.0.1\nport=" +
                                   std::to_string(universe_peer.port()) + "\n");
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        main_set_directory(dir.path().c_str());
        ASSERT_EQ(database_init(), 1);
        // Entering a world resets its art stores too: in this folder.
        download_init();
        fake_now = 1000000;
        clock_set_source(fake_clock);
        tick_update();
        ASSERT_EQ(world_init(), 0);
        self_set_position(0.5, 0, 0.5, 0);
    }
    void TearDown() override
    {
        prop_reset();
        if (script.joinable())
            script.join();
        world_term();
        cell_term();
        chunk_term();
        download_term();
        universe_term();
        resolve_term();
        clock_set_source(nullptr);
        citizen_set_number(0);
    }

    void enter_offline() { ASSERT_EQ(world_enter("propworld", 0), 0); }

    // Enters through the universe; `serve` then runs on the world's
    // connection after the world's attributes were answered.
    void enter_online(std::function<void(int fd)> serve)
    {
        queries_before = prop_queries_sent();
        resolve_init();
        universe_init();
        ASSERT_EQ(universe_connected(), 1);
        std::thread lookup([this] {
            int fd = universe_peer.accept_one();
            bytes length = tcp_peer::read(fd, 2);
            if (length.size() == 2)
                tcp_peer::read(fd, static_cast<size_t>(length[0] << 8 | length[1]));
            bytes address = {127, 0, 0, 1, static_cast<uint8_t>(world_peer.port() >> 8),
                             static_cast<uint8_t>(world_peer.port())};
            tcp_peer::write(fd, universe_reply(0, 0, address));
            tcp_peer::close(fd);
        });
        ASSERT_EQ(world_enter("propworld", 0), 0);
        lookup.join();
        script = std::thread([this, serve] {
            int fd = world_peer.accept_one();
            read_request(fd);
            tcp_peer::write(fd, framed({}));
            serve(fd);
            tcp_peer::close(fd);
        });
        ASSERT_TRUE(frames_until([] { return world_entered() && !world_attributes_pending(); }));
    }
    // Sector queries sent since the world was entered.
    int sent() const { return prop_queries_sent() - queries_before; }
    // What the peer read, kept here for the script that outlives a failed
    // test's body.
    void heard(const bytes& request)
    {
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(request);
    }
    std::vector<bytes> requests()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return seen;
    }

    // Frames, the clock moved on by `step` each, until the condition holds.
    bool frames_until(const std::function<bool()>& done, uint32_t step = 0)
    {
        for (int i = 0; i < 3000 && !done(); ++i) {
            fake_now += step;
            tick_update();
            prop_update();
            usleep(500);
        }
        return done();
    }
    void frames(int count)
    {
        for (int i = 0; i < count; ++i) {
            tick_update();
            prop_update();
            usleep(500);
        }
    }
    bool idle() { return prop_pending() == 0 && !prop_query_outstanding(); }

    temp_dir dir;
    tcp_peer universe_peer;
    tcp_peer world_peer;
    std::thread script;
    int queries_before = 0;
    std::mutex mutex;
    std::vector<bytes> seen;
};

bytes body_of(int index, int* cells = nullptr)
{
    prop_request_view v{};
    if (!prop_request_at(index, &v))
        return {};
    if (cells)
        *cells = v.cell_count;
    return bytes(v.body, v.body + v.length);
}

}  // namespace

TEST_F(prop_world, requests_are_laid_out_as_the_server_reads_them)
{
    enter_offline();
    prop_reset();
    citizen_set_number(0x01020304);
    const uint8_t stamp[4] = {0xde, 0xad, 0xbe, 0xef};
    uint32_t raw;
    std::memcpy(&raw, stamp, 4);
    ASSERT_EQ(cell_sector_set_timestamp(0, 0, raw), 1);
    std::memcpy(&raw, "\x01\x02\x03\x04", 4);
    ASSERT_EQ(cell_sector_set_timestamp(1, -1, raw), 1);
    // Halves round away from zero; a heading keeps its sign within a turn.
    element* a = element_create(1.0625, 0.5, -2.0625, 12.25f, "tree", 4, "Oak", 3, "x", 1, 40,
                                0x0a0b0c0d, 0, 0);
    element* b = element_create(1.0625, 0.5, -2.0625, -372.25f, "tree", 4, "", 0, "", 0, 40,
                                0x0a0b0c0d, 0, 0);
    ASSERT_EQ(prop_add(a), 0);
    ASSERT_EQ(prop_change(1, -3, b), 0);
    ASSERT_EQ(prop_change(5, 6, b), 0);
    ASSERT_EQ(prop_delete(1, -3, 40), 0);
    ASSERT_EQ(prop_query(0, 0), 0);
    ASSERT_EQ(prop_options_read(nullptr), 0);
    const uint8_t options[] = {0, 3, 'A', 'b', 'c'};
    ASSERT_EQ(prop_options_write(options, sizeof options), 0);
    ASSERT_EQ(prop_eject(0x11223344, 300, nullptr), 0);
    element_destroy(a);
    element_destroy(b);
    EXPECT_EQ(prop_pending(), 8);

    const bytes id = {1, 2, 3, 4};
    const bytes dead = {0xde, 0xad, 0xbe, 0xef};
    const bytes position = {0, 0, 4, 0x27, 0, 0, 1, 0xf4, 0xff, 0xff, 0xf7, 0xf1};
    int cells = 0;
    EXPECT_EQ(body_of(0, &cells),
              cat({{0, 0, 0, 123}, dead, id, position, {4, 3, 1}, text("treeOakx")}));
    EXPECT_EQ(cells, 1);
    bytes change = cat({{7, 40, 0xff, 0x85}, dead, id, {10, 11, 12, 13}, position,
                        {0, 1, 0xff, 0xfd, 4, 0, 0}, text("tree")});
    EXPECT_EQ(body_of(1, &cells), change);
    EXPECT_EQ(cells, 1);
    change[28] = 0, change[29] = 5, change[30] = 0, change[31] = 6;
    EXPECT_EQ(body_of(2, &cells), change);
    EXPECT_EQ(cells, 2);
    EXPECT_EQ(body_of(3, &cells), cat({{2, 40, 0, 0, 0, 1, 0xff, 0xfd}, dead, id}));
    EXPECT_EQ(cells, 1);
    bytes none(4, 0);
    EXPECT_EQ(body_of(4, &cells),
              cat({{3, 0, 0, 0, 0, 0, 0, 0}, none, none, {1, 2, 3, 4}, none, dead, none, none,
                   none, none, id}));
    EXPECT_EQ(cells, 0);
    EXPECT_EQ(body_of(5), cat({{5, 0, 0, 0}, id}));
    EXPECT_EQ(body_of(6), cat({{6, 0, 0, 0}, id, {0, 3, 'A', 'b', 'c'}}));
    EXPECT_EQ(body_of(7), cat({{1}, id, {0x44, 0x33, 0x22, 0x11}, {0, 0, 1, 0x2c}}));
    // Data that cannot fit one request is refused.
    bytes big(1017, 0);
    EXPECT_EQ(prop_options_write(big.data(), big.size()), 1);
    EXPECT_EQ(prop_pending(), 8);

    // The cache-update pane: shown unless the setting says 0, and its
    // toggle stores the choice.
    prop_term();
    int edges[32];
    int panes = status_edges(1000, edges, 32);
    prop_init();
    EXPECT_EQ(status_edges(1000, edges, 32), panes + 1);
    prop_toggle_cache();
    EXPECT_EQ(status_edges(1000, edges, 32), panes);
    EXPECT_EQ(profile_int("show", "cache"), 0);
    prop_init();
    EXPECT_EQ(status_edges(1000, edges, 32), panes);
    prop_toggle_cache();
    EXPECT_EQ(profile_int("show", "cache"), 1);
    prop_term();
    EXPECT_EQ(status_edges(1000, edges, 32), panes);
    EXPECT_EQ(prop_pending(), 0);
}

TEST_F(prop_world, record_streams_edit_the_cell_store)
{
    enter_offline();
    // Same numbers replace and go last; a gone element leaves; the sector's
    // stamp is kept as sent.
    bytes stream = cat({cell_begin(1, -3), element_record(5, "a"), element_record(6, "b"),
                        element_record(8, "e"), element_record(5, "c"), {3, 8}, {3, 9}, cell_end,
                        {4, 0, 0, 0xff, 0xff, 9, 8, 7, 6}});
    EXPECT_EQ(prop_reply_apply(stream.data(), stream.size()), 0);
    EXPECT_EQ(cell_contents(1, -3), (std::vector<std::string>{"6:b", "5:c"}));
    uint32_t stamp = cell_sector_timestamp(0, -1);
    EXPECT_EQ(std::memcmp(&stamp, "\x09\x08\x07\x06", 4), 0);
    cell_record r;
    size_t length = 0;
    cell_update_begin(1, -3);
    const uint8_t* records = cell_update_records(&length);
    ASSERT_GT(cell_record_decode(records, length, &r), 0u);
    EXPECT_EQ(r.owner, 9u);
    EXPECT_EQ(r.stamp, 0x6543210fu);
    EXPECT_EQ(r.x, 0x0102);
    EXPECT_EQ(r.y, -2);
    EXPECT_EQ(r.z, 3);
    EXPECT_EQ(r.yaw, 3600);

    // A record cut short ends the stream; finished cells stay written.
    bytes cut = cat({cell_begin(2, 2), element_record(1, "f"), cell_end, cell_begin(3, 3),
                     element_record(2, "g"), cell_end, cell_begin(3, 3), element_record(3, "h")});
    for (size_t drop = 1; drop < 24; ++drop) {
        bytes shorter(cut.begin(), cut.end() - static_cast<long>(drop));
        EXPECT_EQ(prop_reply_apply(shorter.data(), shorter.size()), 0);
        EXPECT_EQ(cell_contents(3, 3), (std::vector<std::string>{"2:g"})) << drop;
    }
    EXPECT_EQ(cell_contents(2, 2), (std::vector<std::string>{"1:f"}));

    // An unknown record ends the stream.
    bytes unknown = cat({cell_begin(4, 4), element_record(1, "i"), cell_end, {9},
                         cell_begin(5, 5), element_record(1, "j"), cell_end});
    EXPECT_EQ(prop_reply_apply(unknown.data(), unknown.size()), 0);
    EXPECT_EQ(cell_contents(4, 4), (std::vector<std::string>{"1:i"}));
    EXPECT_TRUE(cell_contents(5, 5).empty());

    // A cell never takes more than it holds: the record that would pass it
    // is refused, and smaller ones after it still come in.
    bytes full = cell_begin(6, 6);
    for (int n = 1; n <= 5; ++n)
        full = cat({full, element_record(n, std::string(254, 'm'))});
    full = cat({full, element_record(6, "k"), cell_end});
    EXPECT_EQ(prop_reply_apply(full.data(), full.size()), 0);
    std::vector<std::string> held = cell_contents(6, 6);
    ASSERT_EQ(held.size(), 5u);
    EXPECT_EQ(held.back(), "6:k");
    cell_update_records(&length);
    EXPECT_LE(length, cell_capacity);

    // Status bytes.
    const uint8_t full_area[] = {103};
    EXPECT_EQ(prop_reply_apply(full_area, 1), 103);
    const uint8_t rejected[] = {12, 0, 0};
    EXPECT_EQ(prop_reply_apply(rejected, 3), 12);
    const uint8_t ejected[] = {15, 1};
    EXPECT_EQ(prop_reply_apply(ejected, 2), 15);
}

TEST_F(prop_world, standing_still_queries_every_thirty_seconds_and_at_sector_borders)
{
    enter_online([this](int fd) {
        for (bytes q = read_request(fd); !q.empty(); q = read_request(fd)) {
            heard(q);
            tcp_peer::write(fd, framed({0}));
        }
    });
    ASSERT_TRUE(frames_until([this] { return sent() == 1; }));
    uint32_t first = fake_now;
    ASSERT_TRUE(frames_until([this] { return idle(); }));
    fake_now = first + 30000;
    frames(20);
    EXPECT_EQ(sent(), 1);
    fake_now = first + 30001;
    ASSERT_TRUE(frames_until([this] { return sent() == 2 && idle(); }));
    // Into the sector to the west: at once.
    self_set_position(3.5, 0, 0.5, 0);
    ASSERT_TRUE(frames_until([this] { return sent() == 3 && idle(); }));
    frames(20);
    EXPECT_EQ(sent(), 3);
    std::vector<bytes> queries = requests();
    ASSERT_EQ(queries.size(), 3u);
    EXPECT_EQ(bytes(queries[2].begin() + 4, queries[2].begin() + 8), (bytes{0, 1, 0, 0}));
}

TEST_F(prop_world, a_long_reply_asks_again_and_a_cut_reply_is_asked_again)
{
    enter_online([this](int fd) {
        auto next = [this](int on) { heard(read_request(on)); };
        next(fd);
        // A reply over 4096 bytes may have left sectors out.
        tcp_peer::write(fd, framed(cat({{9}, bytes(4096, 0)})));
        next(fd);
        tcp_peer::write(fd, framed(cat({{9}, bytes(4095, 0)})));
        next(fd);
        // Cut in the middle: the client connects again and asks again.
        tcp_peer::write(fd, bytes{0, 100, 0, 0, 0});
        tcp_peer::close(fd);
        int again = world_peer.accept_one();
        next(again);
        tcp_peer::write(again, framed({0}));
        read_request(again);
        tcp_peer::close(again);
    });
    ASSERT_TRUE(frames_until([this] { return sent() == 2 && idle(); }));
    frames(20);
    EXPECT_EQ(sent(), 2);
    fake_now += 30001;
    ASSERT_TRUE(frames_until([this] { return sent() == 4 && idle(); }));
    std::vector<bytes> queries = requests();
    ASSERT_EQ(queries.size(), 4u);
    EXPECT_EQ(queries[3], queries[2]);
    EXPECT_EQ(queries[3].size(), 48u);
}

TEST_F(prop_world, refusals_are_told_and_option_reads_hear_their_codes)
{
    enter_online([](int fd) {
        std::map<int, std::vector<bytes>> replies = {
            {2, {{103}, {114}, {3}, {101}, {250}}},
            {5, {{7}, {14}, {15}, cat({{0, 5}, text("Tower")})}},
        };
        for (bytes q = read_request(fd); !q.empty(); q = read_request(fd)) {
            std::vector<bytes>& list = replies[q[0]];
            bytes reply = list.empty() ? bytes{0} : list.front();
            if (!list.empty())
                list.erase(list.begin());
            tcp_peer::write(fd, framed(reply));
        }
    });
    static std::vector<int> codes;
    static std::string data;
    codes.clear();
    data.clear();
    auto heard = [](const uint8_t* d, size_t length, int code) {
        codes.push_back(code);
        data = d ? std::string(reinterpret_cast<const char*>(d), length) : "";
    };
    console_term();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(prop_delete(0, 0, i), 0);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(prop_options_read(heard), 0);
    ASSERT_TRUE(frames_until([this] { return idle(); }));
    EXPECT_EQ(codes, (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(data, std::string("\0\5Tower", 7));
    std::vector<std::string> lines;
    for (int i = 0; i < console_line_count(); ++i)
        lines.push_back(console_line(i));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Building Inspector: Try building somewhere else because this area is full",
                         "Building Inspector: You are not allowed to build within 0 meters of ground zero",
                         "Building Inspector: You are only allowed to change your own property",
                         "Building Inspector: Your construction request could not be processed (reason 250)",
                     }));
}
