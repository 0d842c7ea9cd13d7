#pragma once
// A UDP socket on 127.0.0.1 for tests that talk to a server's avatar port.
#include <cstdint>
#include <optional>
#include <vector>

class udp_client {
public:
    udp_client();
    ~udp_client();
    udp_client(const udp_client&) = delete;
    udp_client& operator=(const udp_client&) = delete;

    uint16_t port() const { return port_; }
    void send(uint16_t to, const std::vector<uint8_t>& datagram);
    // A datagram that has arrived, without waiting.
    std::optional<std::vector<uint8_t>> receive();

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};
