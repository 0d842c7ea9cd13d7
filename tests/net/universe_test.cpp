#include <gtest/gtest.h>

#include <QCoreApplication>

#include <arpa/inet.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "base/profile.h"
#include "net/citizen.h"
#include "net/login.h"
#include "net/resolve.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "net/universe_message.h"
#include "support/tcp_peer.h"
#include "support/temp_dir.h"

namespace {

using bytes = std::vector<uint8_t>;

uint32_t fake_now = 0;
uint32_t fake_clock()
{
    return fake_now;
}

bytes u32(uint32_t v)
{
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}

bytes join(std::initializer_list<bytes> parts)
{
    bytes all;
    for (const bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Reads one client request: its code and fields.
bytes request(int fd, int* code)
{
    bytes length = tcp_peer::read(fd, 2);
    if (length.size() < 2) {
        *code = -1;
        return {};
    }
    bytes rest = tcp_peer::read(fd, static_cast<size_t>(length[0] << 8 | length[1]));
    *code = rest.empty() ? -1 : rest[0];
    return rest.empty() ? bytes{} : bytes(rest.begin() + 1, rest.end());
}

// A universe in a folder of the test's own, pointed at a scripted peer.
class universe_link : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("vireo.ini", "[universe]\nhost=127.0.0.1\nport=" + std::to_string(peer.port()) + "\n");
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        resolve_init();
        universe_init();
        ASSERT_EQ(universe_connected(), 1);
    }
    void TearDown() override
    {
        if (script.joinable())
            script.join();
        universe_term();
        resolve_term();
        clock_set_source(nullptr);
        citizen_set_name("");
        citizen_set_number(0);
    }

    // Frames until the condition holds (or a while has passed).
    template <typename F>
    bool frames_until(F done)
    {
        for (int i = 0; i < 300 && !done(); ++i) {
            universe_update();
            QCoreApplication::processEvents();
            usleep(5000);
        }
        return done();
    }

    temp_dir dir;
    tcp_peer peer;
    std::thread script;
};

}  // namespace

TEST_F(universe_link, a_message_split_across_segments_is_handled_once_and_whole)
{
    script = std::thread([this] {
        int fd = peer.accept_one();
        int code;
        request(fd, &code);
        bytes build = universe_reply(0, universe::message_build, join({u32(100), u32(200), {1}}));
        tcp_peer::write(fd, bytes(build.begin(), build.begin() + 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        tcp_peer::write(fd, bytes(build.begin() + 2, build.end()));
        tcp_peer::write(fd, universe_reply(0, universe::message_build, join({u32(300), u32(400), {0}})));
        tcp_peer::read(fd, 1, 200);
        tcp_peer::close(fd);
    });
    ASSERT_EQ(universe_get_worlds(), 0);
    uint32_t minimum = 0, current = 0;
    int beta = 0;
    ASSERT_TRUE(frames_until([&] {
        universe_check_build(&minimum, &current, &beta);
        return minimum != 0;
    }));
    EXPECT_EQ(minimum, 100u);
    EXPECT_EQ(current, 200u);
    EXPECT_EQ(beta, 1);
    // One message a frame: the second comes on a later frame.
    ASSERT_TRUE(frames_until([&] {
        universe_check_build(&minimum, &current, &beta);
        return minimum == 300;
    }));
    EXPECT_EQ(current, 400u);
    EXPECT_EQ(beta, 0);
}

TEST_F(universe_link, the_older_login_reply_with_build_fields_only_counts_as_a_login)
{
    bytes seen;
    script = std::thread([this, &seen] {
        int fd = peer.accept_one();
        int code;
        seen = request(fd, &code);
        seen.insert(seen.begin(), static_cast<uint8_t>(code));
        tcp_peer::write(fd, universe_reply(0, universe::message_old_login, join({u32(10), u32(186), {0}})));
        tcp_peer::read(fd, 1, 200);
        tcp_peer::close(fd);
    });
    uint32_t number = 77;
    EXPECT_EQ(universe_login("Joe", "secret", &number), 0);
    EXPECT_EQ(number, 77u);
    std::string privilege;
    EXPECT_EQ(universe_login_reply(&number, &privilege), 0);
    script.join();
    // Code 45: build, name, password, privilege number and password, hidden flag.
    bytes expected = join({{45}, u32(0), {3, 'J', 'o', 'e'}, {6, 's', 'e', 'c', 'r', 'e', 't'},
                           u32(0), {0}, {0}});
    expected[4] = static_cast<uint8_t>(0);
    ASSERT_EQ(seen.size(), expected.size());
    EXPECT_EQ(bytes(seen.begin() + 5, seen.end()), bytes(expected.begin() + 5, expected.end()));
}

TEST_F(universe_link, a_keep_alive_goes_out_60_seconds_after_the_last_send)
{
    fake_now = 100000;
    clock_set_source(fake_clock);
    std::vector<int> codes;
    script = std::thread([this, &codes] {
        int fd = peer.accept_one();
        for (int i = 0; i < 2; ++i) {
            int code;
            request(fd, &code);
            codes.push_back(code);
        }
        tcp_peer::close(fd);
    });
    ASSERT_EQ(universe_get_worlds(), 0);
    fake_now += 59999;
    universe_update();
    fake_now += 1;
    universe_update();
    script.join();
    EXPECT_EQ(codes, (std::vector<int>{universe::request_get_worlds, universe::request_keep_alive}));
}

TEST_F(universe_link, after_the_server_closes_the_keep_alive_reconnects_and_logs_in_again)
{
    fake_now = 100000;
    clock_set_source(fake_clock);
    citizen_set_name("Joe");
    citizen_set_password("secret");
    citizen_set_number(5);
    std::atomic<bool> closed = false, answered = false;
    std::vector<int> second;
    script = std::thread([this, &closed, &answered, &second] {
        int fd = peer.accept_one();
        int code;
        request(fd, &code);
        tcp_peer::close(fd);
        closed = true;
        fd = peer.accept_one(10000);
        for (int i = 0; i < 2; ++i) {
            request(fd, &code);
            second.push_back(code);
            if (code == universe::request_login)
                tcp_peer::write(fd, universe_reply(0, universe::message_login,
                                                   join({{0}, u32(0), u32(186), {0}, u32(5)})));
        }
        answered = true;
        tcp_peer::read(fd, 1, 200);
        tcp_peer::close(fd);
    });
    ASSERT_EQ(universe_get_worlds(), 0);
    // The close is noticed within 10 s of the connection: the reconnect
    // then is refused, and no request follows to try again.
    ASSERT_TRUE(frames_until([&closed] { return closed.load(); }));
    int noticed = 0;
    frames_until([&noticed] { return ++noticed > 20; });
    fake_now += 60001;
    ASSERT_TRUE(frames_until([&answered] { return answered.load(); }));
    script.join();
    EXPECT_EQ(second, (std::vector<int>{universe::request_keep_alive, universe::request_login}));
    EXPECT_EQ(universe_relogin_needed(), 0);
    EXPECT_EQ(citizen_number(), 5u);
}

TEST_F(universe_link, a_contact_list_sends_at_most_50_numbers)
{
    bytes fields;
    script = std::thread([this, &fields] {
        int fd = peer.accept_one();
        int code;
        fields = request(fd, &code);
        tcp_peer::close(fd);
    });
    std::vector<uint32_t> contacts(70);
    for (uint32_t i = 0; i < 70; ++i)
        contacts[i] = 1000 + i;
    ASSERT_EQ(universe_contact_list(contacts.data(), 70), 0);
    script.join();
    ASSERT_EQ(fields.size(), 200u);
    EXPECT_EQ(bytes(fields.end() - 4, fields.end()), u32(1049));
}

TEST_F(universe_link, a_redirect_sends_the_message_again_to_the_new_server)
{
    tcp_peer second;
    int resent = -1;
    script = std::thread([this, &second, &resent] {
        int fd = peer.accept_one();
        int code;
        request(fd, &code);
        uint16_t port = htons(second.port());
        uint32_t address = htonl(INADDR_LOOPBACK);
        bytes body(6);
        std::memcpy(body.data(), &address, 4);
        std::memcpy(body.data() + 4, &port, 2);
        tcp_peer::write(fd, universe_reply(0, universe::message_redirect, body));
        int fd2 = second.accept_one();
        bytes fields = request(fd2, &resent);
        tcp_peer::write(fd2, universe_reply(0, universe::message_world_address,
                                            join({u32(0x7F000001), {0x16, 0x28}})));
        tcp_peer::read(fd2, 1, 200);
        tcp_peer::close(fd2);
        tcp_peer::close(fd);
    });
    uint32_t address = 0;
    uint16_t port = 0;
    EXPECT_EQ(universe_lookup_world("qo", &address, &port), 0);
    script.join();
    EXPECT_EQ(resent, universe::request_lookup_world);
    EXPECT_EQ(address, htonl(0x7F000001));
    EXPECT_EQ(ntohs(port), 0x1628);
}

TEST_F(universe_link, an_oversized_length_drops_the_connection)
{
    bool closed = false;
    script = std::thread([this, &closed] {
        int fd = peer.accept_one();
        int code;
        request(fd, &code);
        tcp_peer::write(fd, {0x23, 0x28, 0, 0});  // 9000
        closed = tcp_peer::read(fd, 1, 3000).empty();
        tcp_peer::close(fd);
    });
    ASSERT_EQ(universe_get_worlds(), 0);
    for (int i = 0; i < 50; ++i) {
        universe_update();
        usleep(2000);
    }
    script.join();
    EXPECT_TRUE(closed);
}

TEST(universe_message, lists_keep_their_whole_entries_and_fields_follow_the_result)
{
    universe_message m;
    // Contacts: one off line, one on line in a world, one gone, and a
    // fourth cut short inside its name.
    bytes contacts = join({{0, universe::message_contacts}, u32(7), {0, 3, 'A', 'n', 'n'}, u32(8),
                           {1, 3, 'B', 'o', 'b', 2, 'q', 'o'}, u32(9), {2}, u32(10), {0, 5, 'C'}});
    ASSERT_EQ(universe_message_decode(contacts.data(), contacts.size(), &m), 0);
    ASSERT_EQ(m.contacts.size(), 3u);
    EXPECT_EQ(m.contacts[0].name, "Ann");
    EXPECT_EQ(m.contacts[1].world, "qo");
    EXPECT_EQ(m.contacts[2].number, 9u);
    EXPECT_TRUE(m.contacts[2].name.empty());

    bytes worlds = join({{0, universe::message_worlds}, {2, 'q', 'o', 1, 0, 12}, {4, 'g', 'a'}});
    ASSERT_EQ(universe_message_decode(worlds.data(), worlds.size(), &m), 0);
    ASSERT_EQ(m.worlds.size(), 1u);
    EXPECT_EQ(m.worlds[0].users, 12);

    // A refused number lookup names the citizen asked for and no number.
    bytes number = join({{universe::result_no_such_citizen, universe::message_citizen_number},
                         {3, 'J', 'o', 'e'}, u32(5)});
    ASSERT_EQ(universe_message_decode(number.data(), number.size(), &m), 0);
    EXPECT_EQ(m.name, "Joe");
    EXPECT_EQ(m.number, 0u);

    bytes located = join({{0, universe::message_location}, u32(4), {2, 'q', 'o'}, u32(1), u32(2),
                          u32(3), {0x0E, 0x10}});
    ASSERT_EQ(universe_message_decode(located.data(), located.size(), &m), 0);
    EXPECT_EQ(m.world, "qo");
    EXPECT_EQ(m.facing, 3600);
    EXPECT_EQ(universe_message_decode(located.data(), 1, &m), 1);
}
