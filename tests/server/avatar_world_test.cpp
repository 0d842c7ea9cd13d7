// The avatar datagrams and one world's people without sockets: parsing,
// list building and its limits, resending, and the bots' scripts.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "avatar_datagrams.h"
#include "avatar_wire.h"
#include "avatar_world.h"
#include "bots.h"

namespace {

struct sent_datagram {
    av_address to;
    datagram data;
};

// A world whose datagrams are collected.
class world_harness {
public:
    world_harness()
    {
        av_world_io io;
        io.user = this;
        io.send = [](void* user, av_address to, const uint8_t* data, size_t size) {
            static_cast<world_harness*>(user)->sent.push_back({to, datagram(data, data + size)});
        };
        // Everybody is known and speaks to all (the rules are the
        // property side's; the avatar ports' tests check them).
        io.admitted = [](void*, av_address) { return 1; };
        io.speaker = [](void*, av_address) { return 1; };
        world = av_world_create(io);
    }
    ~world_harness() { av_world_destroy(world); }
    world_harness(const world_harness&) = delete;
    world_harness& operator=(const world_harness&) = delete;

    void input(uint16_t port, const datagram& d, int64_t now = 0)
    {
        av_world_input(world, av_address{0x7F000001, port}, d.data(), d.size(), now);
    }
    // The datagrams sent to `port` since the last take.
    std::vector<datagram> take(uint16_t port)
    {
        std::vector<datagram> out;
        std::erase_if(sent, [&](const sent_datagram& s) {
            if (s.to.port != port)
                return false;
            out.push_back(s.data);
            return true;
        });
        return out;
    }

    av_world* world = nullptr;
    std::vector<sent_datagram> sent;
};

}  // namespace

TEST(avatar_wire, parses_what_clients_send)
{
    av_message m;
    datagram state = state_datagram(-12345, 678, 32764000, -1800, 4, 2);
    ASSERT_EQ(av_wire_parse(state.data(), state.size(), &m), 0);
    EXPECT_EQ(m.type, av_type_state);
    EXPECT_EQ(m.state.x, -12345);
    EXPECT_EQ(m.state.y, 678);
    EXPECT_EQ(m.state.z, 32764000);
    EXPECT_EQ(m.state.yaw, -1800);
    EXPECT_EQ(m.state.type, 4);
    EXPECT_EQ(m.state.gesture, 2);
    EXPECT_EQ(av_wire_parse(state.data(), 17, &m), 1);

    // Positions beyond the world's limits are brought within them.
    state = state_datagram(INT32_MIN, 999999, INT32_MAX);
    ASSERT_EQ(av_wire_parse(state.data(), state.size(), &m), 0);
    EXPECT_EQ(m.state.x, -av_horizontal_limit);
    EXPECT_EQ(m.state.y, av_altitude_max);
    EXPECT_EQ(m.state.z, av_horizontal_limit);

    datagram padded = relay_datagram(9, "Wren: fourteen");
    ASSERT_EQ(padded.size(), 17u);
    ASSERT_EQ(av_wire_parse(padded.data(), padded.size(), &m), 0);
    EXPECT_EQ(m.type, av_type_relay_text);
    EXPECT_EQ(m.sequence, 9);
    EXPECT_EQ(m.text, "Wren: fourteen");
    datagram huge = relay_datagram(1, "Wren: " + std::string(400, 'x'));
    ASSERT_EQ(av_wire_parse(huge.data(), huge.size(), &m), 0);
    EXPECT_EQ(m.text.size(), av_text_max);

    datagram ack{1, 200}, bye{3}, empty_text{2, 5};
    ASSERT_EQ(av_wire_parse(ack.data(), ack.size(), &m), 0);
    EXPECT_EQ(m.sequence, 200);
    EXPECT_EQ(av_wire_parse(ack.data(), 1, &m), 1);
    EXPECT_EQ(av_wire_parse(bye.data(), bye.size(), &m), 0);
    EXPECT_EQ(m.type, av_type_bye);
    ASSERT_EQ(av_wire_parse(empty_text.data(), empty_text.size(), &m), 0);
    EXPECT_TRUE(m.text.empty());
    EXPECT_EQ(av_wire_parse(empty_text.data(), 1, &m), 1);
    datagram unknown{4, 0, 0};
    EXPECT_EQ(av_wire_parse(unknown.data(), unknown.size(), &m), 1);
    EXPECT_EQ(av_wire_parse(nullptr, 0, &m), 1);
}

TEST(avatar_wire, builds_what_clients_read)
{
    av_list_entry e;
    e.address = 0x0A000102;
    e.port = 3001;
    e.dx = -2;
    e.dy = 300;
    e.dz = 32767;
    e.yaw = -900;
    e.type = 252;
    e.gesture = 3;
    EXPECT_EQ(av_wire_user_list(1, -1, 0x01020304, {e}),
              (datagram{2, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4,
                        10, 0, 1, 2, 0x0B, 0xB9, 0xFF, 0xFE, 0x01, 0x2C, 0x7F, 0xFF,
                        0xFC, 0x7C, 252, 0, 3}));
    std::vector<av_list_entry> many(40, e);
    EXPECT_EQ(av_wire_user_list(0, 0, 0, many).size(), 13 + 17 * av_list_entries_max);
    EXPECT_LE(av_wire_user_list(0, 0, 0, many).size(), av_datagram_max);

    EXPECT_EQ(av_wire_relayed_text(5, 0xC0A80001, 3000, "A: b"),
              (datagram{3, 5, 192, 168, 0, 1, 0x0B, 0xB8, 'A', ':', ' ', 'b'}));
    EXPECT_EQ(av_wire_relayed_text(5, 0, 0, std::string(300, 'x')).size(), 8 + av_text_max);
    EXPECT_EQ(av_wire_ack(77), (datagram{1, 77}));
}

TEST(avatar_world, lists_the_nearest_users_that_fit)
{
    world_harness h;
    h.input(1, state_datagram(0, 0, 0));
    // 40 users on a line going East, one unit apart; only those within
    // 32.767 units on every axis can be listed, and a list holds 29.
    for (uint16_t i = 0; i < 40; ++i)
        h.input(static_cast<uint16_t>(100 + i), state_datagram(-1000 * (i + 1), 0, 0));
    // Right above, but too high for a 16-bit offset.
    h.input(2, state_datagram(0, 33000, 0));
    EXPECT_EQ(av_world_users(h.world), 42);
    av_world_tick(h.world, 0);
    std::vector<datagram> lists = h.take(1);
    ASSERT_EQ(lists.size(), 1u);
    std::vector<listed_user> users = decode_list(lists[0]);
    ASSERT_EQ(users.size(), av_list_entries_max);
    std::set<uint16_t> ports;
    for (const listed_user& u : users) {
        ports.insert(u.port);
        EXPECT_EQ(u.x, -1000 * (u.port - 99));
    }
    EXPECT_EQ(*ports.begin(), 100);
    EXPECT_EQ(*ports.rbegin(), 128);
    EXPECT_EQ(ports.size(), av_list_entries_max);

    // The high user sees nobody: everyone else is 33 units below.
    ASSERT_EQ(h.take(2).size(), 1u);
    // The next list answers the next state, a second after the last.
    h.sent.clear();
    av_world_tick(h.world, av_list_interval_ms);
    EXPECT_TRUE(h.sent.empty());
    h.input(1, state_datagram(0, 0, 0), av_list_interval_ms);
    av_world_tick(h.world, 2 * av_list_interval_ms - 1);
    EXPECT_TRUE(h.sent.empty());
    av_world_tick(h.world, 2 * av_list_interval_ms);
    EXPECT_EQ(h.take(1).size(), 1u);
}

TEST(avatar_world, gives_up_a_text_after_ten_resends_and_keeps_few_waiting)
{
    world_harness h;
    h.input(1, state_datagram(0, 0, 0));
    h.input(2, state_datagram(0, 0, 0));
    h.input(1, relay_datagram(1, "Wren: one"));
    ASSERT_EQ(h.take(2).size(), 1u);
    int64_t now = 0;
    int resends = 0;
    for (int i = 0; i < 15; ++i) {
        now += av_resend_ms + 1;
        // Both keep sending states; only the text is left unanswered.
        h.input(1, state_datagram(0, 0, 0), now);
        h.input(2, state_datagram(0, 0, 0), now);
        av_world_tick(h.world, now);
        for (const datagram& d : h.take(2))
            resends += d[0] == av_type_relayed_text;
    }
    EXPECT_EQ(resends, av_resends_max);

    // A client that acknowledges nothing keeps the last eight texts only.
    for (int i = 0; i < 12; ++i)
        h.input(1, relay_datagram(static_cast<uint8_t>(10 + i), "Wren: " + std::to_string(i)),
                now);
    h.take(2);
    now += av_resend_ms + 1;
    h.input(2, state_datagram(0, 0, 0), now);
    av_world_tick(h.world, now);
    std::vector<std::string> again;
    for (const datagram& d : h.take(2)) {
        if (d[0] == av_type_relayed_text)
            again.emplace_back(d.begin() + 8, d.end());
    }
    ASSERT_EQ(again.size(), av_pending_max);
    EXPECT_EQ(again.front(), "Wren: 4");
    EXPECT_EQ(again.back(), "Wren: 11");
}

TEST(avatar_world, ignores_strangers_and_bot_addresses)
{
    world_harness h;
    av_address bot{av_bots_network + 1, av_bots_port};
    av_world_bot_set(h.world, bot, av_state{});
    // Texts, acknowledgements and byes before any state count for nothing.
    h.input(1, relay_datagram(1, "Wren: hi"));
    h.input(1, datagram{3});
    EXPECT_TRUE(h.sent.empty());
    EXPECT_EQ(av_world_users(h.world), 1);

    // Someone claiming the bot's address changes nothing.
    datagram moved = state_datagram(5000, 0, 5000);
    datagram bye{3};
    av_world_input(h.world, bot, moved.data(), moved.size(), 0);
    av_world_input(h.world, bot, bye.data(), bye.size(), 0);
    h.input(1, state_datagram(0, 0, 0));
    av_world_tick(h.world, 0);
    std::vector<datagram> lists = h.take(1);
    ASSERT_EQ(lists.size(), 1u);
    std::vector<listed_user> users = decode_list(lists[0]);
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].x, 0);
    // Bots never fall silent, and get nothing.
    av_world_tick(h.world, av_silence_ms * 3);
    EXPECT_EQ(av_world_users(h.world), 1);
    for (const sent_datagram& s : h.sent)
        EXPECT_NE(s.to.ip, bot.ip);
}

TEST(avatar_bots, walk_turn_gesture_and_talk_within_their_area)
{
    world_harness h;
    av_bots* bots = av_bots_create(h.world, 30, 3, 0);
    EXPECT_EQ(av_world_users(h.world), 30);
    h.input(1, state_datagram(0, 0, 0));

    std::set<uint32_t> gesturing, talkers;
    std::set<std::string> names;
    int yaw_changes = 0;
    std::vector<listed_user> last;
    for (int64_t now = 0; now <= 600000; now += 200) {
        av_bots_step(bots, now);
        if (now % 1000 == 0)
            h.input(1, state_datagram(0, 0, 0), now);
        av_world_tick(h.world, now);
        for (const datagram& d : h.take(1)) {
            if (d[0] == av_type_relayed_text) {
                std::string text(d.begin() + 8, d.end());
                ASSERT_EQ(text.front(), '"') << text;
                size_t colon = text.find("\": ");
                ASSERT_NE(colon, std::string::npos) << text;
                names.insert(text.substr(0, colon + 1));
                talkers.insert(static_cast<uint32_t>(be32(d, 2)));
                continue;
            }
            std::vector<listed_user> list = decode_list(d);
            ASSERT_EQ(list.size(), 29u);
            for (const listed_user& u : list) {
                EXPECT_LE(std::abs(u.x), av_bots_area);
                EXPECT_LE(std::abs(u.z), av_bots_area);
                EXPECT_GE(u.yaw, 0);
                EXPECT_LT(u.yaw, 3600);
                if (u.gesture)
                    gesturing.insert(u.ip);
                for (const listed_user& before : last)
                    yaw_changes += before.ip == u.ip && before.x == u.x && before.yaw != u.yaw;
            }
            last = list;
        }
    }
    EXPECT_GT(gesturing.size(), 5u);
    EXPECT_GT(yaw_changes, 10) << "nobody turned on the spot";
    // One line about every eight seconds from the crowd, each in its own
    // speaker's name.
    EXPECT_GT(talkers.size(), 20u);
    EXPECT_EQ(names.size(), talkers.size());
    av_bots_destroy(bots);
}

TEST(avatar_bots, a_thousand_at_most_each_at_an_address_of_its_own)
{
    world_harness thousand;
    av_bots* bots = av_bots_create(thousand.world, 1000, 1, 0);
    EXPECT_EQ(av_world_users(thousand.world), 1000);
    av_bots_destroy(bots);
    world_harness more;
    bots = av_bots_create(more.world, 5000, 1, 0);
    EXPECT_EQ(av_world_users(more.world), av_bots_max);
    av_bots_destroy(bots);
}
