#include "net/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "app/bps.h"
#include "base/clock.h"

struct tcp_connection {
    int fd = -1;
    sockaddr_in peer{};
    bool connected = false;
    int failure = 0;  // why the connect failed, once known
    uint32_t last_activity = 0;
};

namespace {

constexpr uint16_t first_udp_port = 3000;
constexpr uint16_t last_udp_port = 3100;
constexpr size_t largest_receive = 4096;

int system_error(int error)
{
    return socket_system + error;
}

bool would_block(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS;
}

int make_non_blocking(int fd)
{
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return system_error(errno);
    return socket_ok;
}

bool ready(int fd, short events)
{
    pollfd p{fd, events, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (events | POLLHUP | POLLERR));
}

}  // namespace

int tcp_connect(uint32_t address, uint16_t port, tcp_connection** connection)
{
    auto* c = new (std::nothrow) tcp_connection;
    if (!c)
        return socket_no_memory;
    c->fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (c->fd < 0) {
        int e = errno;
        delete c;
        return system_error(e);
    }
    if (int rc = make_non_blocking(c->fd)) {
        close(c->fd);
        delete c;
        return rc;
    }
    c->peer.sin_family = AF_INET;
    c->peer.sin_port = port;
    c->peer.sin_addr.s_addr = address;
    int rc = connect(c->fd, reinterpret_cast<sockaddr*>(&c->peer), sizeof c->peer);
    // A non-blocking connect is under way, or done at once on loopback.
    if (rc != 0 && !would_block(errno)) {
        int e = errno;
        close(c->fd);
        delete c;
        return system_error(e);
    }
    c->connected = false;
    c->last_activity = clock_ms();
    *connection = c;
    return socket_ok;
}

int tcp_writable(tcp_connection* c)
{
    if (c->connected)
        return 1;
    if (!ready(c->fd, POLLOUT))
        return 0;
    // Writable after a failed connect too: the pending error tells (and
    // reading it clears it, so it is kept).
    int error = 0;
    socklen_t size = sizeof error;
    if (c->failure || getsockopt(c->fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        if (!c->failure)
            c->failure = error ? error : errno;
        return 0;
    }
    c->connected = true;
    return 1;
}

int tcp_readable(tcp_connection* c)
{
    return ready(c->fd, POLLIN) ? 1 : 0;
}

int tcp_send(tcp_connection* c, const void* bytes, size_t length)
{
    if (!tcp_writable(c)) {
        // A refused connection is known at once; no use waiting it out.
        if (c->failure)
            return system_error(c->failure);
        return clock_ms() - c->last_activity > tcp_connect_timeout_ms ? socket_timeout
                                                                      : socket_connecting;
    }
    ssize_t sent = send(c->fd, bytes, length, MSG_NOSIGNAL);
    c->last_activity = clock_ms();
    if (sent < 0)
        return system_error(errno);
    if (static_cast<size_t>(sent) < length)
        return socket_partial;
    bps_add(static_cast<int>(sent));
    return socket_ok;
}

int tcp_receive(tcp_connection* c, void* buffer, size_t capacity, size_t* received)
{
    *received = 0;
    ssize_t n = recv(c->fd, buffer, capacity < largest_receive ? capacity : largest_receive, 0);
    if (n == 0)
        return socket_closed;
    if (n < 0) {
        if (would_block(errno) || errno == ENOTCONN)
            return clock_ms() - c->last_activity > tcp_silence_timeout_ms ? socket_timeout
                                                                          : socket_ok;
        return system_error(errno);
    }
    *received = static_cast<size_t>(n);
    c->last_activity = clock_ms();
    bps_add(static_cast<int>(n));
    return socket_ok;
}

int tcp_close(tcp_connection* c)
{
    if (!c)
        return socket_ok;
    int rc = close(c->fd) == 0 ? socket_ok : system_error(errno);
    delete c;
    return rc;
}

int tcp_descriptor(const tcp_connection* c)
{
    return c->fd;
}

int udp_open(int* result)
{
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return system_error(errno);
    for (uint16_t port = first_udp_port; port <= last_udp_port; ++port) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0)
            break;
        if (errno != EADDRINUSE) {
            int e = errno;
            close(fd);
            return system_error(e);
        }
    }
    if (int rc = make_non_blocking(fd)) {
        close(fd);
        return rc;
    }
    *result = fd;
    return socket_ok;
}

int udp_close(int socket)
{
    return close(socket) == 0 ? socket_ok : system_error(errno);
}

int udp_port(int socket)
{
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &size) != 0)
        return 0;
    return ntohs(local.sin_port);
}

int udp_receive(int socket, void* buffer, size_t capacity, size_t* received, uint32_t* address,
                uint16_t* port)
{
    *received = 0;
    sockaddr_in from{};
    socklen_t size = sizeof from;
    ssize_t n = recvfrom(socket, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (n < 0)
        return would_block(errno) ? socket_ok : system_error(errno);
    if (n == 0)
        return socket_ok;
    *received = static_cast<size_t>(n);
    *address = from.sin_addr.s_addr;
    *port = from.sin_port;
    bps_add(static_cast<int>(n));
    return socket_ok;
}

// Every datagram is sent: the avatar protocol would survive losing some,
// but thinning them on purpose only makes others see us move less often.
int udp_send(int socket, const void* bytes, size_t length, uint32_t address, uint16_t port)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = port;
    to.sin_addr.s_addr = address;
    ssize_t n = sendto(socket, bytes, length, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (n < 0 || static_cast<size_t>(n) < length)
        return system_error(n < 0 ? errno : EMSGSIZE);
    bps_add(static_cast<int>(n));
    return socket_ok;
}
