// The worlds' avatar ports through real UDP sockets on loopback addresses,
// beside the universe and the worlds' property ports, with the server's
// clock frozen and moved on by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "avatar_datagrams.h"
#include "avatar_service.h"
#include "avatar_world.h"
#include "clock.h"
#include "data_dir.h"
#include "event_loop.h"
#include "harness.h"
#include "property_service.h"
#include "socket_client.h"
#include "store.h"
#include "udp_client.h"
#include "universe_service.h"
#include "worlds.h"

namespace {

constexpr uint32_t loopback = 0x7F000001;

class avatar_port : public ::testing::Test {
protected:
    void SetUp() override
    {
        server_clock_freeze(1700000000);
        loop_ = server_loop_create();
        worlds_ = server_worlds_create();
        for (const char* name : {"qo", "gate"})
            server_worlds_add(worlds_, name, name, 0);
        std::filesystem::create_directories(dir_.file("data"));
        // Wren (1) is qo's public speaker.
        dir_.write("data/qo.world", "public-speakers 1\n");
        store_ = us_store_open(dir_.file("data/universe.db"));
        ASSERT_EQ(us_service_start(loop_, "127.0.0.1", 0, {}, store_, worlds_, &universe_), 0);
        property_service_options options;
        options.data = dir_.file("data");
        options.content = dir_.file("content");
        ASSERT_EQ(property_service_start(loop_, options, worlds_, universe_, &property_), 0);
    }
    void TearDown() override
    {
        connections_.clear();
        if (service_)
            av_service_stop(service_);
        if (property_)
            property_service_stop(property_);
        if (universe_)
            us_service_stop(universe_);
        server_loop_destroy(loop_);
        server_worlds_destroy(worlds_);
        us_store_close(store_);
        server_clock_release();
    }

    // Clients on 127.0.0.1 are known: a tourist is logged in from there.
    void start(int bots = 0)
    {
        ASSERT_EQ(av_service_start(loop_, "127.0.0.1", worlds_, property_, bots, &service_), 0);
        port_ = av_service_port(service_, "qo");
        ASSERT_NE(port_, 0);
        log_in("", "", loopback);
    }

    // A reply on a connection the test keeps open.
    bytes ask(socket_client& c, const bytes& request)
    {
        c.send(request);
        std::optional<bytes> m;
        EXPECT_TRUE(wait_for([&] { return (m = c.message()).has_value(); },
                             [&] { server_loop_run_once(loop_, 10); }));
        return m.value_or(bytes{});
    }
    void log_in(const char* name, const char* password, uint32_t from)
    {
        connections_.push_back(std::make_unique<socket_client>(us_service_port(universe_), from));
        ASSERT_EQ(ask(*connections_.back(), login_request(name, password).framed())[2], 0);
    }
    // The sample citizens come into being (only here: their passwords take
    // time to hash), and Wren logs in from 127.0.0.1 and reads qo's options
    // there, so that address speaks in public in qo. Returns the property
    // connection.
    socket_client& wren_in_qo()
    {
        EXPECT_EQ(server_data_seed_citizens(store_), 0);
        log_in("Wren", "wren", loopback);
        connections_.push_back(std::make_unique<socket_client>(port_));
        EXPECT_GT(ask(*connections_.back(), {5, 0, 0, 0, 0, 0, 0, 1}).size(), 3u);
        return *connections_.back();
    }

    // Runs the server for `ms` milliseconds of its clock.
    void pass(int64_t ms)
    {
        for (int64_t t = 0; t < ms; t += 50) {
            server_clock_advance(50);
            server_loop_run_once(loop_, 0);
        }
    }

    // The next datagram of `type` that reaches `client` within `ms`; the
    // others are dropped.
    std::optional<datagram> next(udp_client& client, uint8_t type, int64_t ms = 1500)
    {
        for (int64_t t = 0; t <= ms; t += 50) {
            while (std::optional<datagram> d = client.receive()) {
                if (!d->empty() && (*d)[0] == type)
                    return d;
            }
            pass(50);
        }
        return std::nullopt;
    }

    // The first user list `client` gets after what has already arrived,
    // within a second and a half.
    std::vector<listed_user> latest_list(udp_client& client)
    {
        while (client.receive()) {}
        std::optional<datagram> list = next(client, 2);
        EXPECT_TRUE(list) << "no user list";
        return list ? decode_list(*list) : std::vector<listed_user>{};
    }

    int users(const char* world)
    {
        server_world w;
        return server_worlds_find(worlds_, world, &w) ? w.users : -1;
    }

    temp_dir dir_;
    server_loop* loop_ = nullptr;
    server_worlds* worlds_ = nullptr;
    us_store* store_ = nullptr;
    us_service* universe_ = nullptr;
    property_service* property_ = nullptr;
    av_service* service_ = nullptr;
    std::vector<std::unique_ptr<socket_client>> connections_;
    uint16_t port_ = 0;
};

datagram relayed(uint8_t sequence, uint16_t speaker_port, std::string_view text)
{
    const uint8_t head[] = {3, sequence, 127, 0, 0, 1, static_cast<uint8_t>(speaker_port >> 8),
                            static_cast<uint8_t>(speaker_port)};
    datagram d(sizeof head + text.size());
    std::copy(std::begin(head), std::end(head), d.begin());
    std::copy(text.begin(), text.end(), d.begin() + sizeof head);
    return d;
}

}  // namespace

TEST_F(avatar_port, two_clients_see_each_other_and_are_counted)
{
    start();
    udp_client wren, finch;
    wren.send(port_, state_datagram(1000, 0, 2000, 900, 3, 0));
    finch.send(port_, state_datagram(-500, 1500, 0, -450, 1, 2));
    pass(100);
    EXPECT_EQ(users("qo"), 2);
    EXPECT_EQ(users("gate"), 0);

    std::vector<listed_user> seen = latest_list(wren);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].ip, loopback);
    EXPECT_EQ(seen[0].port, finch.port());
    EXPECT_EQ(seen[0].x, -500);
    EXPECT_EQ(seen[0].y, 1500);
    EXPECT_EQ(seen[0].z, 0);
    EXPECT_EQ(seen[0].yaw, -450);
    EXPECT_EQ(seen[0].type, 1);
    EXPECT_EQ(seen[0].gesture, 2);

    // Each list answers a state.
    finch.send(port_, state_datagram(-500, 1500, 0, -450, 1, 2));
    seen = latest_list(finch);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].port, wren.port());
    EXPECT_EQ(seen[0].x, 1000);
    EXPECT_EQ(seen[0].z, 2000);
    EXPECT_EQ(seen[0].yaw, 900);

    // A new state shows in the next list; lists come about once a second.
    finch.send(port_, state_datagram(-400, 0, 100, 0, 1, 0));
    pass(50);
    wren.send(port_, state_datagram(1000, 0, 2000, 900, 3, 0));
    seen = latest_list(wren);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].x, -400);
    EXPECT_EQ(seen[0].gesture, 0);
    pass(600);
    EXPECT_FALSE(wren.receive()) << "a second list within 600 ms";
}

TEST_F(avatar_port, worlds_keep_their_people_apart)
{
    start();
    udp_client wren, finch;
    wren.send(port_, state_datagram(0, 0, 0));
    finch.send(av_service_port(service_, "gate"), state_datagram(0, 0, 0));
    EXPECT_TRUE(latest_list(wren).empty());
    finch.send(av_service_port(service_, "gate"), state_datagram(0, 0, 0));
    EXPECT_TRUE(latest_list(finch).empty());
    EXPECT_EQ(users("qo"), 1);
    EXPECT_EQ(users("gate"), 1);
}

TEST_F(avatar_port, relays_a_text_once_and_sends_it_again_until_acknowledged)
{
    start();
    wren_in_qo();
    udp_client speaker, listener, far_away;
    speaker.send(port_, state_datagram(0, 0, 0));
    listener.send(port_, state_datagram(5000, 0, 5000));
    far_away.send(port_, state_datagram(40000, 0, 0));
    pass(100);

    datagram text = relay_datagram(7, "Wren: hello there");
    speaker.send(port_, text);
    EXPECT_EQ(next(speaker, 1), (datagram{1, 7}));
    std::optional<datagram> got = next(listener, 3);
    ASSERT_TRUE(got);
    uint8_t sequence = (*got)[1];
    EXPECT_EQ(*got, relayed(sequence, speaker.port(), "Wren: hello there"));

    // The same datagram again (the acknowledgement was lost): acknowledged
    // again, not relayed again.
    speaker.send(port_, text);
    EXPECT_EQ(next(speaker, 1), (datagram{1, 7}));
    EXPECT_FALSE(next(listener, 3, 3000)) << "relayed twice";
    EXPECT_FALSE(next(far_away, 3, 0)) << "heard beyond the list's reach";

    // Unacknowledged, the text comes again after four seconds, with the same
    // sequence; acknowledged, never again.
    std::optional<datagram> again = next(listener, 3, 2000);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *got);
    listener.send(port_, datagram{1, sequence});
    listener.send(port_, state_datagram(5000, 0, 5000));
    EXPECT_FALSE(next(listener, 3, 5000)) << "sent after its acknowledgement";

    // A 16-byte text comes padded with a zero, which is not relayed; the
    // next text gets the next sequence.
    speaker.send(port_, relay_datagram(8, "Wren: fourteen"));
    EXPECT_EQ(next(speaker, 1), (datagram{1, 8}));
    got = next(listener, 3);
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, relayed(static_cast<uint8_t>(sequence + 1), speaker.port(), "Wren: fourteen"));

    // A text without a name is acknowledged and dropped, as a client would
    // drop it.
    speaker.send(port_, relay_datagram(9, "no colon"));
    EXPECT_EQ(next(speaker, 1), (datagram{1, 9}));
    EXPECT_FALSE(next(listener, 3, 200));
}

TEST_F(avatar_port, bye_removes_a_user_at_once)
{
    start();
    udp_client wren, finch;
    wren.send(port_, state_datagram(0, 0, 0));
    finch.send(port_, state_datagram(100, 0, 100));
    ASSERT_EQ(latest_list(wren).size(), 1u);
    finch.send(port_, datagram{3});
    finch.send(port_, datagram{3});
    pass(50);
    while (finch.receive()) {}
    EXPECT_EQ(users("qo"), 1);
    wren.send(port_, state_datagram(0, 0, 0));
    EXPECT_TRUE(latest_list(wren).empty());
    EXPECT_FALSE(next(finch, 2, 1500)) << "a list after bye";
}

TEST_F(avatar_port, a_silent_user_is_dropped)
{
    start();
    udp_client wren, finch;
    finch.send(port_, state_datagram(100, 0, 100));
    // Wren keeps talking once a second; Finch says nothing more.
    for (int64_t t = 0; t < av_silence_ms - 1000; t += 1000) {
        wren.send(port_, state_datagram(0, 0, 0));
        ASSERT_EQ(latest_list(wren).size(), 1u) << "at " << t << " ms";
    }
    for (int i = 0; i < 3; ++i) {
        wren.send(port_, state_datagram(0, 0, 0));
        pass(1000);
    }
    wren.send(port_, state_datagram(0, 0, 0));
    EXPECT_TRUE(latest_list(wren).empty());
    EXPECT_EQ(users("qo"), 1);
    // Speaking again brings it back.
    finch.send(port_, state_datagram(100, 0, 100));
    wren.send(port_, state_datagram(0, 0, 0));
    EXPECT_EQ(latest_list(wren).size(), 1u);
}

TEST_F(avatar_port, bots_walk_and_talk_in_the_first_world)
{
    start(5);
    EXPECT_EQ(users("qo"), 5);
    udp_client wren, finch;
    wren.send(port_, state_datagram(0, 0, 0));
    finch.send(av_service_port(service_, "gate"), state_datagram(0, 0, 0));
    std::vector<listed_user> first = latest_list(wren);
    ASSERT_EQ(first.size(), 5u);
    for (const listed_user& bot : first) {
        EXPECT_EQ(bot.ip >> 16, 0x7F42u);
        EXPECT_EQ(bot.port, 3000);
    }
    EXPECT_EQ(users("qo"), 6);
    finch.send(av_service_port(service_, "gate"), state_datagram(0, 0, 0));
    EXPECT_TRUE(latest_list(finch).empty());

    // Within two minutes they have moved and one has spoken, in a
    // tourist's name.
    std::optional<datagram> text;
    for (int s = 0; s < 120 && !text; ++s) {
        wren.send(port_, state_datagram(0, 0, 0));
        text = next(wren, 3, 1000);
    }
    ASSERT_TRUE(text);
    std::string line((*text).begin() + 8, (*text).end());
    EXPECT_EQ(line.substr(0, 1), "\"") << line;
    EXPECT_NE(line.find("\": "), std::string::npos) << line;
    EXPECT_EQ((*text)[2], 127);
    EXPECT_EQ((*text)[3], 66);
    wren.send(port_, state_datagram(0, 0, 0));
    std::vector<listed_user> later = latest_list(wren);
    ASSERT_EQ(later.size(), 5u);
    int moved = 0;
    for (const listed_user& a : first) {
        for (const listed_user& b : later)
            moved += a.ip == b.ip && (a.x != b.x || a.z != b.z || a.yaw != b.yaw);
    }
    EXPECT_GT(moved, 0);
}

TEST_F(avatar_port, answers_known_addresses_only_relays_only_speakers_and_heeds_ejections)
{
    start();
    socket_client& wren_world = wren_in_qo();
    log_in("Finch", "finch", 0x7F000002);
    udp_client speaker, finch(0x7F000002), stranger(0x7F000003);
    for (udp_client* c : {&speaker, &finch, &stranger})
        c->send(port_, state_datagram(0, 0, 0));
    // Nobody is logged in from the stranger's address: it gets nothing and
    // nobody sees it.
    EXPECT_FALSE(next(stranger, 2));
    finch.send(port_, state_datagram(0, 0, 0));
    std::vector<listed_user> seen = latest_list(finch);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].port, speaker.port());
    // One state brings back one list, however long its sender stays.
    finch.send(port_, state_datagram(0, 0, 0));
    int lists = 0;
    for (int i = 0; i < 100; ++i) {
        pass(50);
        while (std::optional<datagram> d = finch.receive())
            lists += (*d)[0] == 2;
    }
    EXPECT_EQ(lists, 1);

    // Finch is no public speaker in qo: its texts go nowhere.
    finch.send(port_, relay_datagram(1, "Finch: hello"));
    EXPECT_FALSE(next(speaker, 3));
    EXPECT_FALSE(next(finch, 1, 0));
    speaker.send(port_, relay_datagram(1, "Wren: hello"));
    EXPECT_TRUE(next(finch, 3));

    // Ejected, Finch's address gets no more lists and is gone from the
    // others' within a second.
    EXPECT_EQ(ask(wren_world, {1, 0, 0, 0, 1, 127, 0, 0, 2, 0, 0, 0, 60}), (bytes{0, 1, 0}));
    finch.send(port_, state_datagram(0, 0, 0));
    pass(av_list_interval_ms);
    speaker.send(port_, state_datagram(0, 0, 0));
    EXPECT_TRUE(latest_list(speaker).empty());
    EXPECT_FALSE(next(finch, 2, 0));
}
