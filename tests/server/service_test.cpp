#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "clock.h"
#include "data_dir.h"
#include "event_loop.h"
#include "harness.h"
#include "net/universe_codes.h"
#include "socket_client.h"
#include "store.h"
#include "support/temp_dir.h"
#include "universe_service.h"
#include "worlds.h"

namespace {

// The universe service on a free port of 127.0.0.1, run a round at a time
// by the test's own thread.
struct running_service {
    temp_dir dir;
    us_store* store = us_store_open(dir.file("universe.db"));
    server_worlds* worlds = server_worlds_create();
    server_loop* loop = server_loop_create();
    us_service* service = nullptr;
    uint16_t port = 0;

    running_service()
    {
        EXPECT_EQ(server_data_seed_citizens(store), 0);
        EXPECT_EQ(
            us_service_start(loop, "127.0.0.1", 0, us_universe_options{}, store, worlds, &service),
            0);
        port = us_service_port(service);
    }
    ~running_service()
    {
        us_service_stop(service);
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
    std::optional<bytes> reply(socket_client& client)
    {
        std::optional<bytes> m;
        wait_for([&] { return (m = client.message()).has_value(); }, [&] { step(); });
        return m;
    }
};

int counter = 0;
void count(void*)
{
    ++counter;
}

}  // namespace

TEST(universe_service, serves_clients_over_tcp_and_drops_only_the_bad_one)
{
    running_service s;
    ASSERT_NE(s.port, 0);
    auto wren = std::make_unique<socket_client>(s.port);
    socket_client bad(s.port);
    ASSERT_TRUE(wren->connected());
    ASSERT_TRUE(bad.connected());

    // A request in two pieces, with server rounds between them.
    bytes login = login_request("Wren", "wren").framed();
    wren->send(bytes(login.begin(), login.begin() + 7));
    for (int i = 0; i < 5; ++i)
        s.step();
    EXPECT_FALSE(wren->message());
    wren->send(bytes(login.begin() + 7, login.end()));
    std::optional<bytes> m = s.reply(*wren);
    ASSERT_TRUE(m);
    EXPECT_EQ(
        *m, (bytes{0, 16, 0, universe::message_login, 0, 0, 0, 0, 0, 0, 0, 0, 186, 0, 0, 0, 0, 1}));

    // A length of 256 ends that connection, and only that one.
    bad.send({1, 0, 45});
    EXPECT_TRUE(wait_for([&] { return !bad.poll(); }, [&] { s.step(); }));
    wren->send(client_request(universe::request_citizen_name).u32(2).framed());
    m = s.reply(*wren);
    ASSERT_TRUE(m);
    EXPECT_EQ((*m)[3], universe::message_citizen_name);

    // Wren is in; once Wren's connection closes, Wren may come in again.
    socket_client other(s.port);
    other.send(login_request("Wren", "wren").framed());
    m = s.reply(other);
    ASSERT_TRUE(m);
    EXPECT_EQ((*m)[2], universe::result_already_in);
    wren.reset();
    other.send(login_request("Wren", "wren").framed());
    m = s.reply(other);
    ASSERT_TRUE(m);
    EXPECT_EQ((*m)[2], 0);
}

TEST(universe_service, keeps_serving_while_one_address_holds_hundreds_of_connections)
{
    running_service s;
    std::vector<std::unique_ptr<socket_client>> flood;
    for (int i = 0; i < 300; ++i) {
        flood.push_back(std::make_unique<socket_client>(s.port, 0x7F000002));
        server_loop_run_once(s.loop, 0);
    }
    // That address keeps 64 of them; the rest are closed at once.
    auto open = [&] {
        return std::count_if(flood.begin(), flood.end(), [](auto& c) { return c->poll(); });
    };
    EXPECT_TRUE(wait_for([&] { return open() == 64; }, [&] { s.step(); }));
    socket_client wren(s.port);
    wren.send(login_request("Wren", "wren").framed());
    std::optional<bytes> m = s.reply(wren);
    ASSERT_TRUE(m);
    EXPECT_EQ((*m)[2], 0);
}

TEST(universe_service, slows_down_wrong_passwords_per_address_and_citizen_only)
{
    server_clock_freeze(1700000000);
    {
        running_service s;
        auto log_in = [&](socket_client& c, const char* name, const char* password) {
            c.send(login_request(name, password).framed());
        };
        auto result = [&](socket_client& c) {
            std::optional<bytes> m = s.reply(c);
            return m ? (*m)[2] : -1;
        };
        // Held until `ms` have passed (held requests are looked at every
        // 100 ms).
        auto answered_after = [&](socket_client& c, int ms) {
            s.steps(3);
            server_clock_advance(ms - 100);
            s.steps(3);
            if (c.message())
                return false;
            server_clock_advance(100);
            return true;
        };
        socket_client guess(s.port);
        for (int i = 0; i < 3; ++i) {
            log_in(guess, "Wren", "nest");
            EXPECT_EQ(result(guess), universe::result_wrong_password);
        }
        // The fourth try waits a second, the fifth two, whatever the
        // connection; meanwhile the loop serves everyone else.
        log_in(guess, "Wren", "nest");
        socket_client finch(s.port);
        log_in(finch, "Finch", "finch");
        EXPECT_EQ(result(finch), 0);
        EXPECT_TRUE(answered_after(guess, 1000));
        EXPECT_EQ(result(guess), universe::result_wrong_password);
        socket_client other(s.port);
        log_in(other, "Wren", "wren");
        EXPECT_TRUE(answered_after(other, 2000));
        EXPECT_EQ(result(other), 0);
    }
    server_clock_release();
}

TEST(event_loop, runs_timers_when_due_and_deferred_calls_after_the_round)
{
    server_clock_freeze(0);
    server_loop* loop = server_loop_create();
    counter = 0;
    server_loop_every(loop, 1000, count, &counter);
    server_loop_run_once(loop, 0);
    EXPECT_EQ(counter, 0);
    server_clock_advance(1000);
    server_loop_run_once(loop, 0);
    EXPECT_EQ(counter, 1);
    server_loop_run_once(loop, 0);
    EXPECT_EQ(counter, 1);

    server_loop_defer(loop, count, nullptr);
    server_loop_run_once(loop, 0);
    EXPECT_EQ(counter, 2);
    // Forgetting a user drops its timers and deferred calls.
    server_loop_defer(loop, count, &counter);
    server_loop_forget(loop, &counter);
    server_clock_advance(5000);
    server_loop_run_once(loop, 0);
    EXPECT_EQ(counter, 2);
    server_loop_destroy(loop);
    server_clock_release();
}
