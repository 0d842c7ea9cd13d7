#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <functional>
#include <map>
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

bytes cat(std::initializer_list<bytes> parts)
{
    bytes all;
    for (const bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

bytes text(const std::string& s) { return bytes(s.begin(), s.end()); }
bytes be16(int v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }

// An element record as the server sends it: 16-bit fields big-endian.
bytes element_record(int number, const std::string& model)
{
    return cat({{2, static_cast<uint8_t>(number), 0, 0, 0, 9, 0x65, 0x43, 0x21, 0x0f, 1, 2, 0xff,
                 0xfe, 0, 3, 0x0e, 0x10, static_cast<uint8_t>(model.size()), 1, 0},
                text(model), text("d")});
}

bytes cell_begin(int cx, int cz) { return cat({{0}, be16(cx), be16(cz)}); }
const bytes cell_end = {1};
bytes framed(const bytes& body) { return cat({be16(static_cast<int>(body.size())), body}); }

// Reads one request (a query, delete, world-attribute or options read) from
// the client; empty at its end.
bytes read_request(int fd)
{
    const std::map<int, size_t> lengths = {{1, 13}, {2, 16}, {3, 48}, {5, 8}};
    bytes type = tcp_peer::read(fd, 1, 3000);
    if (type.size() != 1 || !lengths.count(type[0]))
        return {};
    return cat({type, tcp_peer::read(fd, lengths.at(type[0]) - 1, 3000)});
}

// The records of a stored cell, as number:model; the first record decoded
// goes to `first`.
std::vector<std::string> cell_contents(int cx, int cz, cell_record* first = nullptr)
{
    cell_update_begin(cx, cz);
    size_t length = 0;
    const uint8_t* p = cell_update_records(&length);
    std::vector<std::string> out;
    cell_record r;
    while (size_t n = cell_record_decode(p, length, &r)) {
        if (first && out.empty())
            *first = r;
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
        clock_set_source([] { return fake_now; });
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

    // Frames, 0.5 ms apart, until the condition holds; at most `limit`.
    bool frames_until(const std::function<bool()>& done, int limit = 3000)
    {
        for (int i = 0; i < limit && !done(); ++i) {
            tick_update();
            prop_update();
            usleep(500);
        }
        return done();
    }
    void frames(int count) { frames_until([] { return false; }, count); }
    bool idle() { return prop_pending() == 0 && !prop_query_outstanding(); }

    temp_dir dir;
    tcp_peer universe_peer;
    tcp_peer world_peer;
    std::thread script;
    std::vector<bytes> seen;  // by the script; read once it has ended
};

}  // namespace

TEST_F(prop_world, requests_are_laid_out_as_the_server_reads_them)
{
    ASSERT_EQ(world_enter("propworld", 0), 0);
    prop_reset();
    citizen_set_number(0x01020304);
    uint32_t raw;
    std::memcpy(&raw, "\xde\xad\xbe\xef", 4);
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
    // Data that cannot fit one request is refused.
    bytes big(1017, 0);
    EXPECT_EQ(prop_options_write(big.data(), big.size()), 1);

    const bytes id = {1, 2, 3, 4}, dead = {0xde, 0xad, 0xbe, 0xef}, none(4, 0);
    const bytes position = {0, 0, 4, 0x27, 0, 0, 1, 0xf4, 0xff, 0xff, 0xf7, 0xf1};
    const bytes change = cat({{7, 40, 0xff, 0x85}, dead, id, {10, 11, 12, 13}, position});
    const std::vector<std::pair<bytes, int>> expected = {
        {cat({{0, 0, 0, 123}, dead, id, position, {4, 3, 1}, text("treeOakx")}), 1},
        {cat({change, {0, 1, 0xff, 0xfd, 4, 0, 0}, text("tree")}), 1},
        {cat({change, {0, 5, 0, 6, 4, 0, 0}, text("tree")}), 2},
        {cat({{2, 40, 0, 0, 0, 1, 0xff, 0xfd}, dead, id}), 1},
        {cat({{3, 0, 0, 0, 0, 0, 0, 0}, none, none, id, none, dead, none, none, none, none, id}),
         0},
        {cat({{5, 0, 0, 0}, id}), 0},
        {cat({{6, 0, 0, 0}, id, {0, 3, 'A', 'b', 'c'}}), 0},
        {cat({{1}, id, {0x44, 0x33, 0x22, 0x11}, {0, 0, 1, 0x2c}}), 0},
    };
    EXPECT_EQ(prop_pending(), 8);
    for (size_t i = 0; i < expected.size(); ++i) {
        prop_request_view v{};
        ASSERT_EQ(prop_request_at(static_cast<int>(i), &v), 1);
        EXPECT_EQ(bytes(v.body, v.body + v.length), expected[i].first) << i;
        EXPECT_EQ(v.cell_count, expected[i].second) << i;
    }

    // The cache-update pane: shown unless the setting says 0, and its
    // toggle stores the choice.
    prop_term();
    int edges[32];
    const int panes = status_edges(1000, edges, 32);
    for (int shown : {1, 0}) {
        prop_init();
        EXPECT_EQ(status_edges(1000, edges, 32), panes + shown);
        prop_toggle_cache();
        EXPECT_EQ(profile_int("show", "cache"), 1 - shown);
    }
    prop_term();
    EXPECT_EQ(status_edges(1000, edges, 32), panes);
    EXPECT_EQ(prop_pending(), 0);
}

TEST_F(prop_world, record_streams_edit_the_cell_store)
{
    ASSERT_EQ(world_enter("propworld", 0), 0);
    // Same numbers replace and go last; a gone element leaves; the sector's
    // stamp is kept as sent. Then: a record cut short or an unknown one ends
    // the stream, finished cells staying written.
    bytes stream = cat({cell_begin(1, -3), element_record(5, "a"), element_record(6, "b"),
                        element_record(8, "e"), element_record(5, "c"), {3, 8}, {3, 9}, cell_end,
                        {4, 0, 0, 0xff, 0xff, 9, 8, 7, 6}, cell_begin(2, 2), element_record(1, "i"),
                        cell_end, {9}, cell_begin(3, 3), element_record(1, "j"), cell_end});
    EXPECT_EQ(prop_reply_apply(stream.data(), stream.size()), 0);
    cell_record r;
    EXPECT_EQ(cell_contents(1, -3, &r), (std::vector<std::string>{"6:b", "5:c"}));
    EXPECT_EQ((std::vector<long>{r.owner, r.stamp, r.x, r.y, r.z, r.yaw}),
              (std::vector<long>{9, 0x6543210f, 0x0102, -2, 3, 3600}));
    uint32_t stamp = cell_sector_timestamp(0, -1);
    EXPECT_EQ(std::memcmp(&stamp, "\x09\x08\x07\x06", 4), 0);
    EXPECT_EQ(cell_contents(2, 2), (std::vector<std::string>{"1:i"}));
    EXPECT_TRUE(cell_contents(3, 3).empty());

    bytes cut = cat({cell_begin(4, 4), element_record(2, "g"), cell_end, cell_begin(4, 4),
                     element_record(3, "h")});
    for (size_t drop = 1; drop < 24; ++drop) {
        EXPECT_EQ(prop_reply_apply(cut.data(), cut.size() - drop), 0);
        EXPECT_EQ(cell_contents(4, 4), (std::vector<std::string>{"2:g"})) << drop;
    }

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
    size_t length = 0;
    cell_update_records(&length);
    EXPECT_LE(length, cell_capacity);

    for (const bytes& status : {bytes{103}, bytes{12, 0, 0}, bytes{15, 1}})
        EXPECT_EQ(prop_reply_apply(status.data(), status.size()), status[0]);
}

TEST_F(prop_world, queries_go_every_thirty_seconds_at_borders_and_after_long_replies)
{
    // The world's server, named by the universe, answers each request with
    // the next reply listed for its type ({0} when none is left); an empty
    // one is cut short, and the client connects again. A query's reply over
    // 4096 bytes may have left sectors out: asked again at once.
    std::map<int, std::vector<bytes>> replies = {
        {3, {cat({{9}, bytes(4096, 0)}), cat({{9}, bytes(4095, 0)}), {}}},
        {2, {{103}, {114}, {3}, {101}, {250}}},
        {5, {{7}, {14}, {15}, cat({{0, 5}, text("Tower")})}}};
    const int before = prop_queries_sent();
    auto sent = [before] { return prop_queries_sent() - before; };
    resolve_init();
    universe_init();
    ASSERT_EQ(universe_connected(), 1);
    std::thread lookup([this] {
        int fd = universe_peer.accept_one();
        bytes length = tcp_peer::read(fd, 2);
        if (length.size() == 2)
            tcp_peer::read(fd, static_cast<size_t>(length[0] << 8 | length[1]));
        tcp_peer::write(fd, universe_reply(0, 0, cat({{127, 0, 0, 1}, be16(world_peer.port())})));
        tcp_peer::close(fd);
    });
    ASSERT_EQ(world_enter("propworld", 0), 0);
    lookup.join();
    script = std::thread([this, replies]() mutable {
        int fd = world_peer.accept_one();
        read_request(fd);
        tcp_peer::write(fd, framed({}));
        for (bytes q = read_request(fd); !q.empty(); q = read_request(fd)) {
            seen.push_back(q);
            std::vector<bytes>& list = replies[q[0]];
            bytes reply = list.empty() ? bytes{0} : list.front();
            if (!list.empty())
                list.erase(list.begin());
            if (!reply.empty()) {
                tcp_peer::write(fd, framed(reply));
                continue;
            }
            tcp_peer::write(fd, {0, 100, 0, 0, 0});
            tcp_peer::close(fd);
            fd = world_peer.accept_one();
        }
        tcp_peer::close(fd);
    });
    ASSERT_TRUE(frames_until([] { return world_entered() && !world_attributes_pending(); }));
    static std::vector<std::string> heard;
    heard.clear();
    auto hear = [](const uint8_t* d, size_t length, int code) {
        heard.push_back(std::to_string(code) + ":" +
                        std::string(reinterpret_cast<const char*>(d), length));
    };
    // Refusals are told, and option reads hear their codes.
    console_term();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(prop_delete(0, 0, i), 0);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(prop_options_read(hear), 0);
    ASSERT_TRUE(frames_until([&] { return sent() == 2 && idle(); }));
    uint32_t last = fake_now;
    fake_now = last + 30000;
    frames(20);
    EXPECT_EQ(sent(), 2);
    fake_now = last + 30001;
    ASSERT_TRUE(frames_until([&] { return sent() == 4 && idle(); }));
    // Into the sector to the west: at once, and only once.
    self_set_position(3.5, 0, 0.5, 0);
    ASSERT_TRUE(frames_until([&] { return sent() == 5 && idle(); }));
    frames(20);
    EXPECT_EQ(sent(), 5);
    prop_reset();
    script.join();
    std::vector<bytes> queries;
    for (const bytes& request : seen)
        if (request[0] == 3)
            queries.push_back(request);
    ASSERT_EQ(queries.size(), 5u);
    EXPECT_EQ(queries[3], queries[2]);
    EXPECT_EQ(bytes(queries[4].begin() + 4, queries[4].begin() + 8), (bytes{0, 1, 0, 0}));

    EXPECT_EQ(heard,
              (std::vector<std::string>{"1:", "2:", "3:", std::string("0:\0\5Tower", 9)}));
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
