#pragma once
// A UDP socket on 127.0.0.1 for tests that talk to a server's avatar port.
#include <cstdint>
#include <optional>
#include <vector>

class udp_client {
public:
    // Bound to `address` (IPv4, host order; any of 127.0.0.0/8 on Linux).
    explicit udp_client(uint32_t address = 0x7F000001);
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
