// Runs the real vireo-server executable.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "avatar_datagrams.h"
#include "harness.h"
#include "net/universe_codes.h"
#include "socket_client.h"
#include "support/temp_dir.h"
#include "udp_client.h"

namespace {

// vireo-server started with `args`; standard output comes through a pipe,
// standard error goes to a file.
class server_process {
public:
    server_process(const std::vector<std::string>& args, const std::string& error_file)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(out[0]);
            dup2(out[1], 1);
            int err = open(error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(err, 2);
            std::vector<char*> argv{const_cast<char*>(VIREO_SERVER_EXECUTABLE)};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~server_process()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }

    // Standard output until it holds `line` or ten seconds have passed.
    bool wait_for_line(const std::string& line)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (output_.find(line + "\n") == std::string::npos) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 100) > 0) {
                char buffer[256];
                ssize_t n = read(out_, buffer, sizeof buffer);
                if (n <= 0)
                    return false;
                output_.append(buffer, static_cast<size_t>(n));
            }
        }
        return true;
    }

    // Sends a signal and waits for the exit code (-1 for a crash or a time-out).
    int stop(int signal)
    {
        kill(pid_, signal);
        for (int i = 0; i < 200; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            usleep(50000);
        }
        return -1;
    }

    const std::string& output() const { return output_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string output_;
};

// The port from the line "universe port N" of the log.
std::optional<int> universe_port(const std::string& log)
{
    size_t at = log.find("universe port ");
    if (at == std::string::npos)
        return std::nullopt;
    return std::stoi(log.substr(at + 14));
}

// Sends a request to a running server and waits for the next message (empty
// when none comes).
bytes exchange(socket_client& client, const client_request& r)
{
    client.send(r.framed());
    std::optional<bytes> reply;
    wait_for([&] { return (reply = client.message()).has_value(); }, [] { usleep(10000); });
    return reply.value_or(bytes{});
}

// Whether `port` is free on 127.0.0.1 for a socket of `type`.
bool port_free(int type, uint16_t port)
{
    int fd = socket(AF_INET, type, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    where.sin_port = htons(port);
    bool free = bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
    close(fd);
    return free;
}

// A first world port for the sample's two worlds: two ports free for TCP
// and UDP, starting from one the system picks.
uint16_t free_world_ports()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        udp_client probe;
        auto port = static_cast<uint16_t>(probe.port());
        if (port == 0 || port == 65535)
            continue;
        auto next = static_cast<uint16_t>(port + 1);
        if (port_free(SOCK_STREAM, port) && port_free(SOCK_DGRAM, next) &&
            port_free(SOCK_STREAM, next))
            return port;
    }
    return 0;
}

}  // namespace

TEST(server_process, seeds_its_data_serves_a_log_in_and_stops_on_sigterm)
{
    temp_dir dir;
    std::string data = dir.file("data");
    uint16_t world_port = free_world_ports();
    ASSERT_NE(world_port, 0);
    server_process server({"--data", data, "--universe-port", "0", "--world-port",
                           std::to_string(world_port), "--http-port", "0"},
                          dir.file("server.log"));
    ASSERT_TRUE(server.wait_for_line("vireo-server ready")) << dir.read("server.log");
    EXPECT_EQ(server.output(), "vireo-server ready\n");
    std::optional<int> port = universe_port(dir.read("server.log"));
    ASSERT_TRUE(port) << dir.read("server.log");
    EXPECT_NE(dir.read("data/worlds.conf").find("qo Kestrel"), std::string::npos);

    socket_client client(static_cast<uint16_t>(*port));
    ASSERT_TRUE(client.connected());
    // Length 16: rc 0, id 20, unused byte, minimum build 0, current build
    // 186, beta 0, citizen number 1.
    EXPECT_EQ(exchange(client, login_request("Wren", "wren")),
              (bytes{0, 16, 0, 20, 0, 0, 0, 0, 0, 0, 0, 0, 186, 0, 0, 0, 0, 1}));
    // The second world runs on the second world port.
    auto gate = static_cast<uint16_t>(world_port + 1);
    EXPECT_EQ(exchange(client, client_request(universe::request_lookup_world).text("gate")),
              (bytes{0, 8, 0, 0, 127, 0, 0, 1, static_cast<uint8_t>(gate >> 8),
                     static_cast<uint8_t>(gate & 0xFF)}));
    // The first world answers there: an option read for Wren, its caretaker
    // (slot 14 "Y", then slot 16 the name), with the object path on the
    // HTTP port.
    socket_client world(world_port);
    ASSERT_TRUE(world.connected());
    world.send({5, 0, 0, 0, 0, 0, 0, 1});
    std::optional<bytes> options;
    wait_for([&] { return (options = world.message()).has_value(); }, [] { usleep(10000); });
    ASSERT_TRUE(options);
    std::string text(options->begin(), options->end());
    EXPECT_NE(text.find(std::string("\x0e\x01Y\x10\x02qo", 7)), std::string::npos);
    std::string log = dir.read("server.log");
    size_t http = log.find("http port ");
    ASSERT_NE(http, std::string::npos) << log;
    std::string port_text = log.substr(http + 10, log.find('\n', http) - http - 10);
    EXPECT_NE(text.find("127.0.0.1:" + port_text + "/qo"), std::string::npos) << text;

    EXPECT_EQ(server.stop(SIGTERM), 0) << dir.read("server.log");
    log = dir.read("server.log");
    EXPECT_NE(log.find("Wren (1) logged in"), std::string::npos) << log;
    EXPECT_EQ(log.find("wren\n"), std::string::npos) << "a password in the log";
}

TEST(server_process, keeps_its_citizens_and_stops_on_sigint)
{
    temp_dir dir;
    std::string data = dir.file("data");
    {
        server_process first({"--data", data, "--universe-port", "0", "--world-port", "0", "--http-port", "0"},
                             dir.file("first.log"));
        ASSERT_TRUE(first.wait_for_line("vireo-server ready")) << dir.read("first.log");
        std::optional<int> port = universe_port(dir.read("first.log"));
        ASSERT_TRUE(port);
        socket_client client(static_cast<uint16_t>(*port));
        client_request immigrate(universe::request_immigrate);
        immigrate.text("Robin").text("sherwood").u8(2).text("robin@vireo.invalid");
        EXPECT_EQ(exchange(client, immigrate), (bytes{0, 2, 0, 1}));
        EXPECT_EQ(first.stop(SIGINT), 0);
    }
    server_process second({"--data", data, "--universe-port", "0", "--world-port", "0", "--http-port", "0",
                           "--full"},
                          dir.file("second.log"));
    ASSERT_TRUE(second.wait_for_line("vireo-server ready")) << dir.read("second.log");
    std::optional<int> port = universe_port(dir.read("second.log"));
    ASSERT_TRUE(port);
    socket_client client(static_cast<uint16_t>(*port));
    EXPECT_EQ(exchange(client, client_request(universe::request_citizen_number).text("Robin")),
              (bytes{0, 12, 0, 12, 5, 'R', 'o', 'b', 'i', 'n', 0, 0, 0, 3}));
    bytes refused = exchange(client, login_request("Robin", "sherwood"));
    ASSERT_GE(refused.size(), 3u);
    EXPECT_EQ(refused[2], universe::result_system_full);
    EXPECT_EQ(second.stop(SIGTERM), 0);
}

TEST(server_process, serves_its_content_directory_over_http_on_a_free_port)
{
    temp_dir dir;
    mkdir(dir.file("content").c_str(), 0755);
    mkdir(dir.file("content/help").c_str(), 0755);
    dir.write("content/help/integrated.html", "<p>help</p>");
    server_process server({"--data", dir.file("data"), "--universe-port", "0", "--world-port", "0",
                           "--http-port", "0", "--content", dir.file("content")},
                          dir.file("server.log"));
    ASSERT_TRUE(server.wait_for_line("vireo-server ready")) << dir.read("server.log");
    std::string log = dir.read("server.log");
    size_t at = log.find("http port ");
    ASSERT_NE(at, std::string::npos) << log;
    socket_client client(static_cast<uint16_t>(std::stoi(log.substr(at + 10))));
    ASSERT_TRUE(client.connected());
    std::string request = "GET /help/integrated.html HTTP/1.1\r\nHost: localhost\r\n\r\n";
    client.send(bytes(request.begin(), request.end()));
    std::string answer;
    wait_for(
        [&] {
            bytes taken = client.take();
            answer.append(taken.begin(), taken.end());
            return answer.ends_with("<p>help</p>");
        },
        [] { usleep(10000); });
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n")) << answer;
    EXPECT_NE(answer.find("\r\nContent-Length: 11\r\n"), std::string::npos) << answer;
    EXPECT_EQ(server.stop(SIGTERM), 0) << dir.read("server.log");
}

TEST(server_process, its_bots_walk_in_the_flagship_world)
{
    temp_dir dir;
    uint16_t world_port = free_world_ports();
    ASSERT_NE(world_port, 0);
    server_process server({"--data", dir.file("data"), "--universe-port", "0", "--world-port",
                           std::to_string(world_port), "--http-port", "0", "--bots", "3"},
                          dir.file("server.log"));
    ASSERT_TRUE(server.wait_for_line("vireo-server ready")) << dir.read("server.log");
    EXPECT_NE(dir.read("server.log").find("3 bots walk in qo"), std::string::npos);

    // Lists go only to addresses logged in to the universe: a tourist's.
    std::optional<int> port = universe_port(dir.read("server.log"));
    ASSERT_TRUE(port);
    socket_client tourist(static_cast<uint16_t>(*port));
    ASSERT_EQ(exchange(tourist, login_request("", "")).size(), 18u);
    udp_client client;
    std::vector<listed_user> users;
    wait_for([&] { return users.size() == 3; },
             [&] {
                 client.send(world_port, state_datagram(0, 0, 0));
                 usleep(100000);
                 while (std::optional<datagram> d = client.receive())
                     users = decode_list(*d);
             });
    ASSERT_EQ(users.size(), 3u);
    for (const listed_user& bot : users)
        EXPECT_EQ(bot.ip >> 16, 0x7F42u);
    EXPECT_EQ(server.stop(SIGTERM), 0) << dir.read("server.log");
}

TEST(server_process, runs_the_generated_city_and_keeps_it_when_started_with_another_seed)
{
    temp_dir dir;
    bytes first;
    for (std::string seed : {"1", "2"}) {
        server_process server({"--data", dir.file("data"), "--universe-port", "0", "--world-port",
                               "0", "--http-port", "0", "--city", seed},
                              dir.file("server.log"));
        ASSERT_TRUE(server.wait_for_line("vireo-server ready")) << dir.read("server.log");
        std::string log = dir.read("server.log");
        EXPECT_EQ(log.find("objects from the seed") != std::string::npos, seed == "1") << log;
        size_t at = log.find("world city (City) on port ");
        ASSERT_NE(at, std::string::npos) << log;
        socket_client world(static_cast<uint16_t>(std::stoi(log.substr(at + 26))));
        // A tourist's query around ground zero knowing no stamp: a whole
        // sector of the city, then the reply stops.
        bytes query{3, 0, 0, 0, 0, 0, 0, 0};
        query.resize(query.size() + 9 * 4 + 4);
        world.send(query);
        std::optional<bytes> reply;
        wait_for([&] { return (reply = world.message()).has_value(); }, [] { usleep(10000); });
        ASSERT_TRUE(reply);
        EXPECT_GT(reply->size(), 4096u);
        EXPECT_EQ((*reply)[2], 0) << "a cell first";
        if (first.empty())
            first = *reply;
        else
            EXPECT_EQ(*reply, first) << "the stored city stays";
        EXPECT_EQ(server.stop(SIGTERM), 0) << dir.read("server.log");
    }
}
