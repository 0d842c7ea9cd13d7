#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The other end of a test's TCP connections: a listener on 127.0.0.1 at a
// free port, and blocking reads and writes with time-outs, for scripts run
// on a thread of the test's own.
class tcp_peer {
public:
    tcp_peer();
    ~tcp_peer();
    tcp_peer(const tcp_peer&) = delete;
    tcp_peer& operator=(const tcp_peer&) = delete;

    uint16_t port() const { return port_; }
    // The next connection, or -1 after the time-out.
    int accept_one(int timeout_ms = 5000);
    // Exactly n bytes, or fewer when the time-out or the end came first.
    static std::vector<uint8_t> read(int fd, size_t n, int timeout_ms = 5000);
    static void write(int fd, const std::vector<uint8_t>& bytes);
    static void close(int fd);

private:
    int listener_ = -1;
    uint16_t port_ = 0;
};

// A listening socket on 127.0.0.1 at a free port, whose number goes to *port.
int loopback_listener(int backlog, uint16_t* port);

// A universe message from the server: length, result, id, body.
std::vector<uint8_t> universe_reply(int rc, int id, const std::vector<uint8_t>& body);
