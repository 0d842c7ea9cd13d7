#include <gtest/gtest.h>

#include <curl/curl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "assets/http.h"
#include "base/profile.h"
#include "net/proxy.h"
#include "support/http_server.h"
#include "support/tcp_peer.h"
#include "support/temp_dir.h"

namespace {

using clock_type = std::chrono::steady_clock;

long since(clock_type::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count());
}

// Runs frames until the condition holds or five seconds pass.
template <typename Condition>
bool pump(Condition done)
{
    auto deadline = clock_type::now() + std::chrono::seconds(5);
    while (!done()) {
        if (clock_type::now() > deadline)
            return false;
        http_update();
        usleep(2000);
    }
    return true;
}

int finish(http_request* r)
{
    EXPECT_TRUE(pump([r] { return http_rc(r) != http_running; }));
    return http_rc(r);
}

std::string body(const http_request* r)
{
    const unsigned char* data = http_buffer(r);
    return data ? std::string(reinterpret_cast<const char*>(data), http_size(r)) : std::string();
}

// A request as the peer reads it: up to the blank line.
std::string read_request(int fd)
{
    std::string text;
    while (text.find("\r\n\r\n") == std::string::npos) {
        std::vector<uint8_t> byte = tcp_peer::read(fd, 1, 5000);
        if (byte.empty())
            break;
        text += static_cast<char>(byte[0]);
    }
    return text;
}

void send_text(int fd, const std::string& text)
{
    tcp_peer::write(fd, std::vector<uint8_t>(text.begin(), text.end()));
}

// One connection served by a script of the test's own.
class scripted_peer {
public:
    template <typename Script>
    explicit scripted_peer(Script script)
        : thread_([this, script] {
              int fd = peer_.accept_one();
              if (fd < 0)
                  return;
              request_ = read_request(fd);
              script(fd);
              tcp_peer::close(fd);
          })
    {
    }
    ~scripted_peer() { join(); }

    std::string host() const { return "127.0.0.1:" + std::to_string(peer_.port()); }
    // Only once the script has ended.
    const std::string& request() const { return request_; }
    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    tcp_peer peer_;
    std::string request_;
    std::thread thread_;
};

class http : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(http_init(0), 0); }
    void TearDown() override { http_term(); }
};

}  // namespace

TEST_F(http, a_body_of_announced_length_arrives_whole_with_its_date)
{
    http_server server([](const http_server::request& r) {
        http_server::response answer = http_server::file("contents of " + r.path);
        answer.headers.push_back("Last-Modified: Sat, 05 Dec 2026 10:00:00 GMT");
        return answer;
    });
    http_request* r = http_get(server.host().c_str(), "models/tree.zip");
    ASSERT_EQ(finish(r), http_received);
    EXPECT_EQ(body(r), "contents of /models/tree.zip");
    EXPECT_STREQ(http_date(r), "Sat, 05 Dec 2026 10:00:00 GMT");
    uint32_t received = 0, length = 0;
    http_progress(r, &received, &length);
    EXPECT_EQ(received, 28u);
    EXPECT_EQ(length, 28u);
    EXPECT_STREQ(http_state(r), "");
    http_done(r);

    ASSERT_EQ(server.request_count(), 1u);
    http_server::request sent = server.requests()[0];
    EXPECT_EQ(sent.headers["user-agent"], "Vireo Browser");
    EXPECT_EQ(sent.headers["accept"], "*/*");
    EXPECT_EQ(sent.headers.count("if-modified-since"), 0u);

    // An empty date asks unconditionally; characters that cannot stand in
    // a request line are escaped.
    r = http_conditional_get(server.host().c_str(), "textures/old wall#2.jpg", "");
    ASSERT_EQ(finish(r), http_received);
    EXPECT_EQ(body(r), "contents of /textures/old%20wall%232.jpg");
    http_done(r);
    EXPECT_EQ(server.requests()[1].headers.count("if-modified-since"), 0u);
}

TEST_F(http, answers_without_a_body_to_keep)
{
    const std::string date = "Sat, 05 Dec 2026 10:00:00 GMT";
    http_server server([](const http_server::request& r) {
        if (r.path == "/current")
            return http_server::response{304, "", {}, false};
        if (r.path == "/missing")
            return http_server::response{404, "no such file", {}, false};
        if (r.path == "/refused")
            return http_server::response{406, "", {}, false};
        if (r.path == "/broken")
            return http_server::response{500, "oops", {}, false};
        if (r.path == "/empty")
            return http_server::file("");
        return http_server::file(std::string(2000, 'x'));
    });
    std::string host_text = server.host();
    const char* host = host_text.c_str();

    http_request* current = http_conditional_get(host, "current", date.c_str());
    http_request* missing = http_get(host, "missing");
    http_request* refused = http_get(host, "refused");
    http_request* broken = http_get(host, "broken");
    http_request* empty = http_get(host, "empty");
    http_request* big = http_get(host, "big");
    http_set_max(big, 1999);
    http_request* fits = http_get(host, "fits");
    http_set_max(fits, 2000);

    EXPECT_EQ(finish(current), http_not_modified);
    EXPECT_EQ(http_date(current), date);
    EXPECT_EQ(finish(missing), http_not_found);
    EXPECT_EQ(finish(refused), http_not_found);
    EXPECT_EQ(finish(broken), 500);
    EXPECT_EQ(finish(empty), http_empty);
    EXPECT_EQ(finish(big), http_too_large);
    EXPECT_EQ(http_size(big), 2000u);
    EXPECT_EQ(finish(fits), http_received);
    EXPECT_EQ(body(fits), std::string(2000, 'x'));
    // A limit set only once the whole answer is in still refuses it.
    http_request* late = http_get(host, "late");
    EXPECT_EQ(finish(late), http_received);
    http_set_max(late, 1999);
    EXPECT_EQ(http_rc(late), http_too_large);
    for (http_request* r : {current, missing, refused, broken, empty, big, fits, late})
        http_done(r);

    std::vector<http_server::request> sent = server.requests();
    ASSERT_EQ(sent.size(), 8u);
    for (const http_server::request& r : sent) {
        if (r.path == "/current")
            EXPECT_EQ(r.headers.at("if-modified-since"), date);
        else
            EXPECT_EQ(r.headers.count("if-modified-since"), 0u) << r.path;
    }
}

TEST_F(http, a_last_modified_text_is_kept_only_when_it_fits)
{
    http_server server([](const http_server::request& r) {
        http_server::response answer = http_server::file("x");
        answer.headers.push_back("Last-Modified: " + std::string(std::stoul(r.path.substr(1)), 'D'));
        return answer;
    });
    for (size_t length : {39u, 40u, 44u}) {
        http_request* r = http_get(server.host().c_str(), std::to_string(length).c_str());
        ASSERT_EQ(finish(r), http_received);
        EXPECT_EQ(http_date(r), length < 40 ? std::string(length, 'D') : std::string()) << length;
        http_done(r);
    }
}

TEST_F(http, bodies_without_a_length_are_refused)
{
    scripted_peer until_close([](int fd) {
        send_text(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nall of it");
    });
    scripted_peer chunked([](int fd) {
        send_text(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n");
        tcp_peer::read(fd, 1, 1000);
    });
    http_request* a = http_get(until_close.host().c_str(), "a");
    http_request* b = http_get(chunked.host().c_str(), "b");
    EXPECT_EQ(finish(a), http_no_length);
    EXPECT_EQ(finish(b), http_no_length);
    EXPECT_EQ(http_buffer(a), nullptr);
    http_done(a);
    http_done(b);
}

TEST_F(http, a_body_must_match_its_announced_length)
{
    // The surplus comes in the same packet as the announced bytes.
    http_server longer([](const http_server::request&) {
        return http_server::response{200, "Hello, world", {"Content-Length: 5"}, false};
    });
    scripted_peer shorter([](int fd) {
        send_text(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc");
    });
    http_request* a = http_get(longer.host().c_str(), "long");
    http_request* b = http_get(shorter.host().c_str(), "short");
    EXPECT_EQ(finish(a), http_too_long);
    EXPECT_EQ(finish(b), http_transport_error + static_cast<int>(CURLE_PARTIAL_FILE));
    http_done(a);
    http_done(b);
}

TEST_F(http, the_port_follows_the_last_colon_of_the_host)
{
    http_server server([](const http_server::request&) { return http_server::file("here"); });
    std::string with_scheme = "http://" + server.host();
    http_request* a = http_get(with_scheme.c_str(), "x");
    EXPECT_EQ(finish(a), http_received);
    EXPECT_EQ(body(a), "here");
    EXPECT_EQ(server.request_count(), 1u);

    // Nobody listens on a port that was just freed.
    uint16_t closed;
    {
        tcp_peer gone;
        closed = gone.port();
    }
    std::string refused = "127.0.0.1:" + std::to_string(closed);
    http_request* b = http_get(refused.c_str(), "x");
    EXPECT_EQ(finish(b), http_transport_error + static_cast<int>(CURLE_COULDNT_CONNECT));

    std::string no_name = ":" + std::to_string(server.port());
    http_request* c = http_get(no_name.c_str(), "x");
    EXPECT_EQ(http_rc(c), http_no_host);
    EXPECT_STREQ(http_state(c), "");
    EXPECT_EQ(http_buffer(c), nullptr);
    for (http_request* r : {a, b, c})
        http_done(r);
    EXPECT_EQ(server.request_count(), 1u);
}

// The state text follows the transfer, and a transfer that makes no
// progress for longer than the time-out is cut off at once, well before
// libcurl's own low-speed limit (whole seconds) would end it.
TEST_F(http, a_stalled_transfer_times_out_and_is_dropped)
{
    http_term();
    ASSERT_EQ(http_init(300), 0);
    std::atomic<int> step{0};
    long open_after_stall_ms = -1;
    scripted_peer peer([&](int fd) {
        while (step < 1)
            usleep(1000);
        send_text(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
        while (step < 2)
            usleep(1000);
        send_text(fd, "abc");
        auto sent = clock_type::now();
        tcp_peer::read(fd, 1, 5000);  // returns when the client closes
        open_after_stall_ms = since(sent);
    });
    http_request* r = http_get(peer.host().c_str(), "slow");
    EXPECT_STREQ(http_state(r), "starting");
    step = 1;
    EXPECT_TRUE(pump([r] { return http_size(r) == 100; }));
    EXPECT_STREQ(http_state(r), "receiving response");
    step = 2;
    uint32_t received = 0, length = 0;
    EXPECT_TRUE(pump([&] {
        http_progress(r, &received, &length);
        return received == 3;
    }));
    EXPECT_STREQ(http_state(r), "3 of 100");
    auto stalled = clock_type::now();
    EXPECT_EQ(finish(r), http_timed_out);
    EXPECT_GE(since(stalled), 250);
    http_done(r);
    peer.join();
    EXPECT_GE(open_after_stall_ms, 250);
    EXPECT_LT(open_after_stall_ms, 900);
}

TEST_F(http, requests_can_be_given_up_at_any_time)
{
    http_server server([](const http_server::request& r) {
        http_server::response answer = http_server::file("body");
        answer.stall = r.path == "/stall";
        return answer;
    });
    std::string host = server.host();
    // Given up while it waits for the body, after it ended, before the
    // fetcher has even seen it, and never: http_term frees the last one.
    http_request* waiting = http_get(host.c_str(), "stall");
    http_request* ended = http_get(host.c_str(), "file");
    http_request* kept = http_get(host.c_str(), "stall");
    EXPECT_TRUE(pump([&] { return server.request_count() == 3; }));
    http_done(http_get(host.c_str(), "stall"));
    http_done(waiting);
    EXPECT_EQ(finish(ended), http_received);
    http_done(ended);
    EXPECT_EQ(http_rc(kept), http_running);
    http_term();
    ASSERT_EQ(http_init(0), 0);
}

TEST_F(http, a_proxy_change_restarts_running_requests_through_the_new_proxy)
{
    temp_dir dir;
    dir.write("vireo.ini", "");
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    http_server origin([](const http_server::request& r) {
        http_server::response answer = http_server::file("origin");
        answer.stall = r.path == "/stall";
        return answer;
    });
    http_server proxy([](const http_server::request& r) { return http_server::file("proxied " + r.path); });

    http_request* running = http_get(origin.host().c_str(), "stall");
    EXPECT_TRUE(pump([&] { return origin.request_count() == 1; }));
    std::string port = std::to_string(proxy.port());
    ASSERT_EQ(proxy_apply(1, "127.0.0.1", port.c_str()), 0);
    EXPECT_EQ(http_rc(running), http_timed_out);
    http_done(running);

    http_request* again = http_get("objects.invalid:5680", "qo/models/tree.zip");
    EXPECT_EQ(finish(again), http_received);
    EXPECT_EQ(body(again), "proxied http://objects.invalid:5680/qo/models/tree.zip");
    http_done(again);

    ASSERT_EQ(proxy_apply(0, "", ""), 0);
    http_request* direct = http_get(origin.host().c_str(), "file");
    EXPECT_EQ(finish(direct), http_received);
    EXPECT_EQ(body(direct), "origin");
    http_done(direct);
    EXPECT_EQ(proxy.request_count(), 1u);
}
