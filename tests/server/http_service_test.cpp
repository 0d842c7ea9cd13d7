#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "clock.h"
#include "event_loop.h"
#include "http_service.h"
#include "http_wire.h"
#include "socket_client.h"
#include "support/temp_dir.h"

namespace {

// The file times the tests give their content.
constexpr int64_t file_time = 1700000000;

struct reply {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    std::string header(const std::string& name) const
    {
        auto it = headers.find(name);
        return it == headers.end() ? "" : it->second;
    }
};

// The HTTP service on a free port of 127.0.0.1 over a content directory
// with a world and help pages, run a round at a time by the test's thread.
struct running_http {
    temp_dir dir;
    std::string content = dir.file("content");
    server_loop* loop = server_loop_create();
    hs_service* service = nullptr;
    uint16_t port = 0;

    explicit running_http(hs_service_options options = {})
    {
        for (const char* folder : {"content", "content/qo", "content/qo/models",
                                   "content/qo/textures", "content/help"})
            mkdir(dir.file(folder).c_str(), 0755);
        add("qo/models/tree.zip", "PK\3\4 a tree");
        add("qo/textures/stone.jpg", std::string(5000, 'j'));
        add("help/integrated.html", "<html>help</html>\n");
        add(".hidden", "hidden");
        dir.write("secret.txt", "the secret");
        options.content = content;
        EXPECT_EQ(hs_service_start(loop, "127.0.0.1", 0, options, &service), 0);
        port = hs_service_port(service);
    }
    ~running_http()
    {
        hs_service_stop(service);
        server_loop_destroy(loop);
    }
    void add(const std::string& name, const std::string& text)
    {
        dir.write("content/" + name, text);
        timespec times[2] = {{file_time, 0}, {file_time, 0}};
        utimensat(AT_FDCWD, dir.file("content/" + name).c_str(), times, 0);
    }
    void step() { server_loop_run_once(loop, 10); }
    void steps(int n)
    {
        for (int i = 0; i < n; ++i)
            step();
    }

    // Reads one answer from `client`: the head, then Content-Length bytes
    // unless the answer can have no body.
    std::optional<reply> read(socket_client& client, std::string& pending, bool head_only = false)
    {
        std::optional<reply> r;
        auto complete = [&] {
            auto taken = client.take();
            pending.append(taken.begin(), taken.end());
            size_t end = pending.find("\r\n\r\n");
            if (end == std::string::npos)
                return false;
            reply parsed;
            parsed.status = std::atoi(pending.substr(9, 3).c_str());
            size_t at = pending.find("\r\n") + 2;
            while (at < end) {
                size_t line_end = pending.find("\r\n", at);
                std::string line = pending.substr(at, line_end - at);
                size_t colon = line.find(':');
                std::string name = line.substr(0, colon);
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                parsed.headers[name] = line.substr(colon + 2);
                at = line_end + 2;
            }
            size_t length = std::stoul(parsed.header("content-length"));
            if (head_only || parsed.status == 304)
                length = 0;
            if (pending.size() < end + 4 + length)
                return false;
            parsed.body = pending.substr(end + 4, length);
            pending.erase(0, end + 4 + length);
            r = parsed;
            return true;
        };
        wait_for(complete, [&] { step(); });
        return r;
    }
    // Sends a request on a new connection and reads the answer.
    std::optional<reply> ask(const std::string& request, bool head_only = false)
    {
        socket_client client(port);
        client.send(std::vector<uint8_t>(request.begin(), request.end()));
        std::string pending;
        return read(client, pending, head_only);
    }
    // Whether the server closes `client` within a few rounds.
    bool closes(socket_client& client)
    {
        return wait_for([&] { return !client.poll(); }, [&] { step(); });
    }
};

void send_text(socket_client& client, const std::string& text)
{
    client.send(std::vector<uint8_t>(text.begin(), text.end()));
}

std::string get(const std::string& path, const std::string& more = "")
{
    return "GET " + path + " HTTP/1.1\r\nHost: localhost\r\nAccept: */*\r\n" + more + "\r\n";
}

}  // namespace

TEST(http_service, serves_files_heads_and_missing_files_on_one_connection)
{
    running_http s;
    socket_client client(s.port);
    std::string pending;
    send_text(client, get("/qo/models/tree.zip"));
    std::optional<reply> r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, std::string("PK\3\4 a tree"));
    EXPECT_EQ(r->header("content-length"), "11");
    EXPECT_EQ(r->header("content-type"), "application/zip");
    EXPECT_EQ(r->header("last-modified"), hs_date_format(file_time));
    EXPECT_FALSE(r->header("date").empty());
    // Names are found without regard to case.
    send_text(client, get("/QO/Models/TREE.Zip"));
    r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, std::string("PK\3\4 a tree"));

    // HEAD: the same head and no body, so the next answer follows at once.
    send_text(client, "HEAD /help/integrated.html HTTP/1.1\r\nHost: localhost\r\n\r\n");
    r = s.read(client, pending, true);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->header("content-length"), "18");
    EXPECT_EQ(r->header("content-type"), "text/html");

    send_text(client, get("/qo/models/missing.zip"));
    r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404);
    EXPECT_EQ(r->header("content-length"), std::to_string(r->body.size()));
    EXPECT_TRUE(pending.empty());

    // Folders and hidden files are no files to fetch.
    send_text(client, get("/qo/models"));
    r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404);
    send_text(client, get("/.hidden"));
    r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404);

    send_text(client, get("/qo/textures/stone.jpg"));
    r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body, std::string(5000, 'j'));
    s.steps(3);
    EXPECT_TRUE(client.poll()) << "keep-alive connection closed";
}

TEST(http_service, answers_conditional_requests_by_the_file_time)
{
    running_http s;
    std::string path = "/qo/models/tree.zip";
    for (const std::string& date :
         {hs_date_format(file_time), hs_date_format(file_time + 3600),
          std::string("Tuesday, 14-Nov-23 22:13:20 GMT"),
          std::string("Tue Nov 14 22:13:20 2023")}) {
        std::optional<reply> r = s.ask(get(path, "If-Modified-Since: " + date + "\r\n"));
        ASSERT_TRUE(r) << date;
        EXPECT_EQ(r->status, 304) << date;
        EXPECT_TRUE(r->body.empty());
        EXPECT_EQ(r->header("last-modified"), hs_date_format(file_time));
        EXPECT_EQ(r->header("content-length"), "11");
    }
    for (const std::string& date : {hs_date_format(file_time - 1), std::string("yesterday")}) {
        std::optional<reply> r = s.ask(get(path, "If-Modified-Since: " + date + "\r\n"));
        ASSERT_TRUE(r) << date;
        EXPECT_EQ(r->status, 200) << date;
        EXPECT_EQ(r->body, std::string("PK\3\4 a tree"));
    }

    // A 304 leaves the connection ready for the next request.
    socket_client client(s.port);
    std::string pending;
    send_text(client, get(path, "If-Modified-Since: " + hs_date_format(file_time) + "\r\n"));
    std::optional<reply> r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 304);
    send_text(client, get(path));
    r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, std::string("PK\3\4 a tree"));
}

TEST(http_service, never_serves_anything_outside_the_content_directory)
{
    running_http s;
    ASSERT_EQ(symlink(s.dir.file("secret.txt").c_str(), s.dir.file("content/qo/link.txt").c_str()),
              0);
    ASSERT_EQ(symlink(s.dir.path().c_str(), s.dir.file("content/qo/up").c_str()), 0);
    ASSERT_EQ(symlink(s.dir.file("content/help/integrated.html").c_str(),
                      s.dir.file("content/qo/inside.html").c_str()),
              0);
    for (const char* path :
         {"/../secret.txt", "/qo/../../secret.txt", "/qo/%2e%2e/%2e%2e/secret.txt",
          "/qo/..%2f..%2fsecret.txt", "/qo/link.txt", "/qo/up/secret.txt",
          "/qo/%2e%2e%5c%2e%2e%5csecret.txt", "/qo/models/tree.zip%00.txt",
          "http://localhost/../secret.txt"}) {
        socket_client client(s.port);
        send_text(client, get(path));
        std::string pending;
        std::optional<reply> r = s.read(client, pending);
        ASSERT_TRUE(r) << path;
        EXPECT_TRUE(r->status == 400 || r->status == 404) << path << " " << r->status;
        EXPECT_EQ(r->body.find("secret"), std::string::npos) << path;
    }
    // A link that stays inside is followed.
    std::optional<reply> r = s.ask(get("/qo/inside.html"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, "<html>help</html>\n");
}

TEST(http_service, takes_requests_split_or_sent_ahead)
{
    running_http s;
    socket_client client(s.port);
    std::string request = get("/qo/models/tree.zip");
    for (char c : request) {
        send_text(client, std::string(1, c));
        s.step();
    }
    std::string pending;
    std::optional<reply> r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, std::string("PK\3\4 a tree"));

    // Three requests in one segment are answered in order.
    send_text(client, get("/help/integrated.html") + get("/nothing") +
                          "HEAD /qo/models/tree.zip HTTP/1.1\r\nHost: h\r\n\r\n");
    r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body, "<html>help</html>\n");
    r = s.read(client, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404);
    r = s.read(client, pending, true);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->header("content-length"), "11");
    EXPECT_TRUE(pending.empty());
}

TEST(http_service, refuses_malformed_requests_and_other_methods_and_closes)
{
    running_http s;
    struct refusal {
        std::string request;
        int status;
    };
    for (const refusal& c : std::vector<refusal>{
             {"\x16\x03\x01\x02 garbage\r\n\r\n", 400},
             {"GET /qo/models/tree.zip\r\n\r\n", 400},
             {"GET /qo/models/tree.zip HTTP/1.1\r\n\r\n", 400},
             {"GET /qo/models/tree.zip HTTP/3.0\r\nHost: h\r\n\r\n", 505},
             {"POST /qo/models/tree.zip HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\n\r\nabc", 405},
             {"GET /qo/models/tree.zip HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\n\r\nabc", 400},
             {"GET /" + std::string(hs_line_max + 10, 'a'), 414},
             {"GET / HTTP/1.1\r\n" + std::string(hs_head_max + 10, 'a'), 431},
         }) {
        socket_client client(s.port);
        send_text(client, c.request);
        std::string pending;
        std::optional<reply> r = s.read(client, pending);
        ASSERT_TRUE(r) << c.request.substr(0, 40);
        EXPECT_EQ(r->status, c.status) << c.request.substr(0, 40);
        EXPECT_EQ(r->header("connection"), "close");
        if (c.status == 405) {
            EXPECT_EQ(r->header("allow"), "GET, HEAD");
        }
        EXPECT_TRUE(s.closes(client)) << c.request.substr(0, 40);
    }
}

TEST(http_service, closes_after_the_answer_when_asked_to)
{
    running_http s;
    for (const std::string& request :
         {get("/qo/textures/stone.jpg", "Connection: close\r\n"),
          std::string("GET /qo/textures/stone.jpg HTTP/1.0\r\n\r\n")}) {
        socket_client client(s.port);
        send_text(client, request + get("/qo/models/tree.zip"));
        std::string pending;
        std::optional<reply> r = s.read(client, pending);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200);
        EXPECT_EQ(r->header("connection"), "close");
        EXPECT_EQ(r->body.size(), 5000u);
        EXPECT_TRUE(s.closes(client));
        EXPECT_TRUE(pending.empty()) << "answered a request after the close";
    }
}

TEST(http_service, answers_teleport_links_with_a_hand_off_file)
{
    running_http s;
    std::optional<reply> r = s.ask(get("/cgi-bin/teleport?qo_12.5n_34w_90"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, "teleport qo 12.5n 34w 90\n");
    EXPECT_EQ(r->header("content-type"), "application/x-vireo-teleport");
    EXPECT_EQ(r->header("content-length"), std::to_string(r->body.size()));
    for (const char* path : {"/cgi-bin/teleport", "/cgi-bin/teleport?", "/cgi-bin/other?qo"}) {
        r = s.ask(get(path));
        ASSERT_TRUE(r) << path;
        EXPECT_EQ(r->status, 404) << path;
    }
}

TEST(http_service, streams_a_large_file_to_a_slow_reader_without_stalling_others)
{
    running_http s;
    std::string big(12 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 % 251);
    s.add("qo/models/big.zip", big);

    socket_client slow(s.port);
    send_text(slow, get("/qo/models/big.zip"));
    // The reader takes nothing for a while; more than the connection's
    // output limit is waiting, yet the connection stays and others are served.
    s.steps(20);
    std::optional<reply> other = s.ask(get("/qo/models/tree.zip"));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 200);
    std::string pending;
    std::optional<reply> r = s.read(slow, pending);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->header("content-length"), std::to_string(big.size()));
    EXPECT_TRUE(r->body == big);
}

TEST(http_service, closes_slow_heads_and_idle_connections)
{
    struct frozen_clock {
        frozen_clock() { server_clock_freeze(file_time); }
        ~frozen_clock() { server_clock_release(); }
    } frozen;
    {
        hs_service_options options;
        options.head_timeout_ms = 5000;
        options.idle_timeout_ms = 8000;
        running_http s(options);
        socket_client trickle(s.port), idle(s.port), served(s.port);
        send_text(trickle, "GET /qo/models/tree.zip HTTP/1.1\r\n");
        std::string pending;
        send_text(served, get("/qo/models/tree.zip"));
        ASSERT_TRUE(s.read(served, pending));
        s.steps(3);
        for (int second = 0; second < 4; ++second) {
            server_clock_advance(1000);
            send_text(trickle, "X: y\r\n");
            s.steps(2);
        }
        EXPECT_TRUE(trickle.poll());
        server_clock_advance(2000);
        s.steps(2);
        EXPECT_FALSE(trickle.poll()) << "a head still not complete after its time";
        EXPECT_TRUE(idle.poll());
        EXPECT_TRUE(served.poll());
        server_clock_advance(3000);
        s.steps(2);
        EXPECT_FALSE(idle.poll());
        EXPECT_FALSE(served.poll());
    }
}
