#include <gtest/gtest.h>

#include <curl/curl.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "assets/download.h"
#include "assets/http.h"
#include "base/main.h"
#include "base/profile.h"
#include "support/http_server.h"
#include "support/tcp_peer.h"
#include "support/temp_dir.h"
#include "world/database.h"

namespace {

struct outcome {
    int calls = 0;
    int result = -1;
    std::string data;
};

void remember(void* user, int result, const unsigned char* data, size_t size)
{
    auto* o = static_cast<outcome*>(user);
    ++o->calls;
    o->result = result;
    o->data.assign(reinterpret_cast<const char*>(data ? data : reinterpret_cast<const unsigned char*>("")),
                   size);
}

class download : public ::testing::Test {
protected:
    void start(http_server::handler answer, int timeout_ms = 0)
    {
        server = std::make_unique<http_server>(std::move(answer));
        dir.write("vireo.ini", "");
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        main_set_directory(dir.path().c_str());
        ASSERT_EQ(database_init(), 1);
        ASSERT_EQ(http_init(timeout_ms), 0);
        download_init();
        std::string path = server->host() + "/world";
        download_set_path(path.c_str(), static_cast<int>(path.size()));
        download_set_refresh(480);
    }

    void TearDown() override
    {
        download_term();
        http_term();
    }

    // Runs frames until the condition holds or ten seconds pass.
    static bool pump(const std::function<bool()>& done)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            http_update();
            download_update();
            usleep(2000);
        }
        return true;
    }

    static bool finished(const outcome& o) { return o.calls > 0; }

    outcome fetch(const char* folder, const char* name, bool force = false, bool fresh = false)
    {
        outcome o;
        download_request* r = download_file(folder, name, 2, remember, &o);
        EXPECT_NE(r, nullptr);
        if (force)
            download_force(r);
        if (fresh)
            download_ignore_refresh(r);
        EXPECT_TRUE(pump([&o] { return o.calls > 0; }));
        return o;
    }

    temp_dir dir;
    std::unique_ptr<http_server> server;
};

}  // namespace

TEST_F(download, a_file_checked_lately_is_current_without_asking_again)
{
    start([](const http_server::request& r) {
        http_server::response answer = http_server::file("jpeg bytes");
        answer.headers.push_back("Last-Modified: Sat, 05 Dec 2026 10:00:00 GMT");
        if (r.headers.count("if-modified-since"))
            answer.status = 304;
        return answer;
    });
    outcome first = fetch("textures", "wall.jpg");
    EXPECT_EQ(first.result, download_received);
    EXPECT_EQ(first.data, "jpeg bytes");
    ASSERT_EQ(server->request_count(), 1u);
    EXPECT_EQ(server->requests()[0].path, "/world/textures/wall.jpg");
    EXPECT_EQ(server->requests()[0].headers.count("if-modified-since"), 0u);

    // Within the refresh interval: no traffic at all.
    outcome second = fetch("textures", "wall.jpg");
    EXPECT_EQ(second.result, download_current);
    EXPECT_EQ(server->request_count(), 1u);

    // Marked to ignore the interval: asked conditionally with the server's date.
    outcome third = fetch("textures", "wall.jpg", false, true);
    EXPECT_EQ(third.result, download_current);
    ASSERT_EQ(server->request_count(), 2u);
    EXPECT_EQ(server->requests()[1].headers["if-modified-since"], "Sat, 05 Dec 2026 10:00:00 GMT");

    // Forced: fetched whole whatever the date.
    outcome fourth = fetch("textures", "wall.jpg", true);
    EXPECT_EQ(fourth.result, download_received);
    ASSERT_EQ(server->request_count(), 3u);
    EXPECT_EQ(server->requests()[2].headers.count("if-modified-since"), 0u);

    // A refresh interval of nothing asks every time.
    download_set_refresh(0);
    outcome fifth = fetch("textures", "wall.jpg");
    EXPECT_EQ(fifth.result, download_current);
    EXPECT_EQ(server->request_count(), 4u);
}

TEST_F(download, missing_files_are_stamped_and_long_dates_are_not_kept)
{
    start([](const http_server::request& r) {
        if (r.path.find("missing") != std::string::npos)
            return http_server::response{404, "", {}, false};
        http_server::response answer = http_server::file("x");
        answer.headers.push_back("Last-Modified: " + std::string(44, 'D'));
        return answer;
    });
    EXPECT_EQ(fetch("models", "missing.zip").result, download_failed);
    EXPECT_EQ(fetch("models", "missing.zip").result, download_current);
    EXPECT_EQ(server->request_count(), 1u);

    // A date too long to keep is dropped: once the interval is over the
    // file is asked for again unconditionally.
    EXPECT_EQ(fetch("models", "long.zip").result, download_received);
    EXPECT_EQ(fetch("models", "long.zip").result, download_current);
    EXPECT_EQ(server->request_count(), 2u);
    download_set_refresh(0);
    EXPECT_EQ(fetch("models", "long.zip").result, download_received);
    ASSERT_EQ(server->request_count(), 3u);
    EXPECT_EQ(server->requests()[2].headers.count("if-modified-since"), 0u);
}

TEST_F(download, a_second_request_for_a_queued_file_is_refused)
{
    start([](const http_server::request&) { return http_server::file("body"); });
    outcome first, second;
    ASSERT_NE(download_file("models", "tree.zip", 1, remember, &first), nullptr);
    EXPECT_EQ(download_file("models", "tree.zip", 1, remember, &second), nullptr);
    // The same name in another folder is another file.
    outcome other;
    EXPECT_NE(download_file("avatars", "tree.zip", 1, remember, &other), nullptr);
    EXPECT_EQ(download_count(), 2);
    EXPECT_TRUE(pump([&] { return first.calls && other.calls; }));
    EXPECT_EQ(first.result, download_received);
    EXPECT_EQ(second.calls, 0);
    EXPECT_EQ(download_count(), 0);
}

TEST_F(download, a_transfer_that_stalls_three_times_fails)
{
    start([](const http_server::request&) {
        http_server::response answer = http_server::file("never sent");
        answer.stall = true;
        return answer;
    }, 150);
    outcome o;
    ASSERT_NE(download_file("textures", "slow.jpg", 2, remember, &o), nullptr);
    EXPECT_TRUE(pump([&o] { return o.calls > 0; }));
    EXPECT_EQ(o.result, download_failed);
    EXPECT_EQ(server->request_count(), 3u);
}

// A listener whose backlog is full lets connections wait unanswered: the
// server cannot be reached, which is a failure at the first attempt and
// not a stall to try three times.
TEST_F(download, an_unreachable_host_fails_without_retrying)
{
    start([](const http_server::request&) { return http_server::file("unused"); }, 300);
    uint16_t port = 0;
    int listener = loopback_listener(0, &port);
    int filler = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::string host = "127.0.0.1:" + std::to_string(port);

    http_request* direct = http_get(host.c_str(), "x");
    EXPECT_TRUE(pump([direct] { return http_rc(direct) != http_running; }));
    EXPECT_EQ(http_rc(direct), http_transport_error + static_cast<int>(CURLE_OPERATION_TIMEDOUT));
    http_done(direct);

    std::string path = host + "/world";
    download_set_path(path.c_str(), static_cast<int>(path.size()));
    outcome o;
    auto begun = std::chrono::steady_clock::now();
    ASSERT_NE(download_file("textures", "far.jpg", 2, remember, &o), nullptr);
    EXPECT_TRUE(pump([&o] { return o.calls > 0; }));
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(800));
    EXPECT_EQ(o.result, download_failed);
    EXPECT_STREQ(download_slot_name(0), "");
    EXPECT_EQ(download_count(), 0);
    close(filler);
    close(listener);
}

TEST_F(download, an_avatar_set_overtakes_textures_queued_before_it)
{
    // The first three textures hold their slots until they time out.
    auto stalls = std::make_shared<int>(0);
    start([stalls](const http_server::request& r) {
        http_server::response answer = http_server::file("bytes");
        if (r.path.find("/textures/") != std::string::npos && *stalls < 3) {
            ++*stalls;
            answer.stall = true;
        }
        return answer;
    }, 300);
    std::vector<outcome> textures(5);
    for (size_t i = 0; i < textures.size(); ++i) {
        std::string name = "t" + std::to_string(i) + ".jpg";
        ASSERT_NE(download_file("textures", name.c_str(), 2, remember, &textures[i]), nullptr);
    }
    EXPECT_TRUE(pump([&] { return server->request_count() >= 3; }));
    outcome avatars;
    ASSERT_NE(download_file("avatars", "avatars.zip", 0, remember, &avatars), nullptr);
    EXPECT_TRUE(pump([&] {
        return std::all_of(textures.begin(), textures.end(), finished) && avatars.calls;
    }));
    std::vector<std::string> order;
    for (const http_server::request& r : server->requests())
        order.push_back(r.path);
    auto avatar_at = std::find(order.begin(), order.end(), "/world/avatars/avatars.zip");
    ASSERT_NE(avatar_at, order.end());
    // Only the three stalled textures were asked for before the avatar set.
    EXPECT_EQ(avatar_at - order.begin(), 3);
    EXPECT_EQ(avatars.result, download_received);
    for (const outcome& t : textures)
        EXPECT_EQ(t.result, download_received);
}

TEST_F(download, urls_and_object_paths)
{
    start([](const http_server::request& r) {
        return http_server::file(r.path.find("big") != std::string::npos ? std::string(3000, 'b')
                                                                          : std::string("small"));
    });
    outcome small, big;
    std::string base = server->host() + "/pictures/";
    EXPECT_EQ(download_url("no-slash", 0, remember, &small), nullptr);
    ASSERT_NE(download_url((base + "small.jpg").c_str(), 2, remember, &small), nullptr);
    ASSERT_NE(download_url((base + "big.jpg").c_str(), 2, remember, &big), nullptr);
    EXPECT_TRUE(pump([&] { return small.calls && big.calls; }));
    EXPECT_EQ(small.result, download_received);
    EXPECT_EQ(small.data, "small");
    // Larger than its limit of 2 K.
    EXPECT_EQ(big.result, download_failed);
    EXPECT_EQ(access((std::string(download_art_root()) + "/misc/download.db").c_str(), F_OK), 0);

    // Another world's path gets its own cache folder; an empty one means
    // the default object path.
    std::string other = server->host() + "/Other/Place";
    download_set_path(other.c_str(), static_cast<int>(other.size()));
    std::string expected_folder = std::string(download_art_root()) + "/127.0.0.1-" +
                                  std::to_string(server->port()) + "-other-place";
    EXPECT_EQ(download_cache_path(), expected_folder);
    EXPECT_EQ(access((expected_folder + "/textures").c_str(), F_OK), 0);
    download_set_path("", 0);
    EXPECT_EQ(std::string(download_cache_path()),
              std::string(download_art_root()) + "/localhost-5680-qo");
}

TEST_F(download, reset_drops_every_request_without_calling_back)
{
    start([](const http_server::request&) {
        http_server::response answer = http_server::file("x");
        answer.stall = true;
        return answer;
    });
    outcome a, b;
    ASSERT_NE(download_file("textures", "a.jpg", 2, remember, &a), nullptr);
    ASSERT_NE(download_file("textures", "b.jpg", 2, remember, &b), nullptr);
    EXPECT_TRUE(pump([&] { return server->request_count() >= 2; }));
    EXPECT_STRNE(download_slot_name(0), "");
    download_reset();
    EXPECT_EQ(download_count(), 0);
    EXPECT_STREQ(download_slot_name(0), "");
    for (int i = 0; i < 20; ++i) {
        http_update();
        download_update();
    }
    EXPECT_EQ(a.calls + b.calls, 0);
}
