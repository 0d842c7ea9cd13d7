#pragma once
// A client socket to 127.0.0.1 for tests that talk to a server over TCP.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class socket_client {
public:
    // From `from` (IPv4, host order; another loopback address such as
    // 127.0.0.2 stands for another machine), or else from 127.0.0.1.
    explicit socket_client(uint16_t port, uint32_t from = 0);
    ~socket_client();
    socket_client(const socket_client&) = delete;
    socket_client& operator=(const socket_client&) = delete;

    bool connected() const { return fd_ >= 0; }
    void send(const std::vector<uint8_t>& data);
    // Receives what is waiting without blocking. Returns false once the
    // server has closed the connection.
    bool poll();
    // A whole message from the server (length field included) when one has
    // arrived.
    std::optional<std::vector<uint8_t>> message();
    // Everything received that no message() took, handed over raw.
    std::vector<uint8_t> take();

private:
    int fd_ = -1;
    bool open_ = true;
    std::vector<uint8_t> in_;
};

// Calls `step` (one round of the server's loop, or a short sleep) until
// `done` holds or about ten seconds have passed. Returns done().
bool wait_for(const std::function<bool()>& done, const std::function<void()>& step);
