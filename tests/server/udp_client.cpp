#include "udp_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

udp_client::udp_client(uint32_t address)
{
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(address);
    socklen_t size = sizeof where;
    if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&where), &size) == 0)
        port_ = ntohs(where.sin_port);
}

udp_client::~udp_client()
{
    if (fd_ >= 0)
        close(fd_);
}

void udp_client::send(uint16_t to, const std::vector<uint8_t>& datagram)
{
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    where.sin_port = htons(to);
    sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&where),
           sizeof where);
}

std::optional<std::vector<uint8_t>> udp_client::receive()
{
    std::vector<uint8_t> datagram(2048);
    ssize_t n = recv(fd_, datagram.data(), datagram.size(), MSG_DONTWAIT);
    if (n < 0)
        return std::nullopt;
    datagram.resize(static_cast<size_t>(n));
    return datagram;
}
