#include "socket_client.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

socket_client::socket_client(uint16_t port, uint32_t from)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in source{};
    source.sin_family = AF_INET;
    source.sin_addr.s_addr = htonl(from);
    if (fd_ >= 0 && from != 0 &&
        ::bind(fd_, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The listener queues the connection even before the server accepts it.
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (fd_ >= 0)
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

socket_client::~socket_client()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void socket_client::send(const std::vector<uint8_t>& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0 && errno != EAGAIN && errno != EINTR)
            return;
        if (n > 0)
            sent += static_cast<size_t>(n);
    }
}

bool socket_client::poll()
{
    while (open_) {
        uint8_t buffer[4096];
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0)
            in_.insert(in_.end(), buffer, buffer + n);
        else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            open_ = false;
        else
            break;
    }
    return open_;
}

std::optional<std::vector<uint8_t>> socket_client::message()
{
    poll();
    if (in_.size() < 2)
        return std::nullopt;
    size_t length = static_cast<size_t>(in_[0] << 8 | in_[1]);
    if (in_.size() < 2 + length)
        return std::nullopt;
    std::vector<uint8_t> m(in_.begin(), in_.begin() + static_cast<long>(2 + length));
    in_.erase(in_.begin(), in_.begin() + static_cast<long>(2 + length));
    return m;
}

std::vector<uint8_t> socket_client::take()
{
    poll();
    std::vector<uint8_t> all;
    all.swap(in_);
    return all;
}

bool wait_for(const std::function<bool()>& done, const std::function<void()>& step)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        step();
    }
    return true;
}
