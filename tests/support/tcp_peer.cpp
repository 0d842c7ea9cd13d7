#include "support/tcp_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

int loopback_listener(int backlog, uint16_t* port)
{
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, backlog);
    socklen_t size = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    *port = ntohs(address.sin_port);
    return listener;
}

tcp_peer::tcp_peer()
{
    listener_ = loopback_listener(8, &port_);
}

tcp_peer::~tcp_peer()
{
    ::close(listener_);
}

int tcp_peer::accept_one(int timeout_ms)
{
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0)
        return -1;
    return accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
}

std::vector<uint8_t> tcp_peer::read(int fd, size_t n, int timeout_ms)
{
    std::vector<uint8_t> bytes;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (bytes.size() < n) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        uint8_t buffer[4096];
        ssize_t got = recv(fd, buffer, std::min(sizeof buffer, n - bytes.size()), 0);
        if (got <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

void tcp_peer::write(int fd, const std::vector<uint8_t>& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

void tcp_peer::close(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

std::vector<uint8_t> universe_reply(int rc, int id, const std::vector<uint8_t>& body)
{
    size_t length = body.size() + 2;
    std::vector<uint8_t> message(body.size() + 4);
    message[0] = static_cast<uint8_t>(length >> 8);
    message[1] = static_cast<uint8_t>(length);
    message[2] = static_cast<uint8_t>(rc);
    message[3] = static_cast<uint8_t>(id);
    std::copy(body.begin(), body.end(), message.begin() + 4);
    return message;
}
