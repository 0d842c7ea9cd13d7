// The worlds' avatar ports through real UDP sockets on 127.0.0.1, with the
// server's clock frozen and moved on by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

#include "avatar_datagrams.h"
#include "avatar_service.h"
#include "avatar_world.h"
#include "clock.h"
#include "event_loop.h"
#include "udp_client.h"
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
        for (const char* name : {"qo", "gate"}) {
            server_worlds_add(worlds_, name, name, 0);
            server_worlds_set_running(worlds_, name, true);
        }
    }
    void TearDown() override
    {
        if (service_)
            av_service_stop(service_);
        server_loop_destroy(loop_);
        server_worlds_destroy(worlds_);
        server_clock_release();
    }

    void start(int bots = 0)
    {
        ASSERT_EQ(av_service_start(loop_, "127.0.0.1", worlds_, bots, &service_), 0);
        port_ = av_service_port(service_, "qo");
        ASSERT_NE(port_, 0);
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

    server_loop* loop_ = nullptr;
    server_worlds* worlds_ = nullptr;
    av_service* service_ = nullptr;
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

    seen = latest_list(finch);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].port, wren.port());
    EXPECT_EQ(seen[0].x, 1000);
    EXPECT_EQ(seen[0].z, 2000);
    EXPECT_EQ(seen[0].yaw, 900);

    // A new state shows in the next list; lists come about once a second.
    finch.send(port_, state_datagram(-400, 0, 100, 0, 1, 0));
    pass(50);
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
    EXPECT_TRUE(latest_list(finch).empty());
    EXPECT_EQ(users("qo"), 1);
    EXPECT_EQ(users("gate"), 1);
}

TEST_F(avatar_port, relays_a_text_once_and_sends_it_again_until_acknowledged)
{
    start();
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
    EXPECT_TRUE(latest_list(wren).empty());
    EXPECT_EQ(users("qo"), 1);
    // Speaking again brings it back.
    finch.send(port_, state_datagram(100, 0, 100));
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
    std::vector<listed_user> later = latest_list(wren);
    ASSERT_EQ(later.size(), 5u);
    int moved = 0;
    for (const listed_user& a : first) {
        for (const listed_user& b : later)
            moved += a.ip == b.ip && (a.x != b.x || a.z != b.z || a.yaw != b.yaw);
    }
    EXPECT_GT(moved, 0);
}
