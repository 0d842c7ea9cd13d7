#include "tcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "event_loop.h"

namespace {

// Bytes a peer may leave unread before it is dropped.
constexpr size_t max_queued = 256 * 1024;
// Connections at once, and from one address by default; further ones are
// accepted and closed at once.
constexpr size_t max_connections = 1000;
constexpr size_t default_per_address = 64;

class socket_fd {
public:
    explicit socket_fd(int fd = -1) : fd_(fd) {}
    ~socket_fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    socket_fd(const socket_fd&) = delete;
    socket_fd& operator=(const socket_fd&) = delete;
    socket_fd& operator=(socket_fd&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

int make_non_blocking(int fd)
{
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0 ||
        fcntl(fd, F_SETFD, FD_CLOEXEC) < 0)
        return errno;
    return 0;
}

struct connection {
    socket_fd fd;
    server_stream* stream = nullptr;
    int id = 0;
    int watch = 0;
    uint32_t peer = 0;  // IPv4, host order
    std::vector<uint8_t> out;  // bytes not yet sent
    bool failed = false;       // waiting for the deferred close
    explicit connection(int descriptor) : fd(descriptor) {}
};

}  // namespace

struct server_stream {
    server_loop* loop = nullptr;
    server_stream_callbacks callbacks;
    socket_fd listener;
    int listen_watch = 0;
    uint16_t port = 0;
    int next_id = 1;
    std::map<int, std::unique_ptr<connection>> connections;
    std::map<uint32_t, size_t> per_peer;  // open connections of each address
    size_t per_address = default_per_address;
    std::vector<int> failed;  // connections to close and report from the loop
};

namespace {

void drop(server_stream* s, int id)
{
    auto it = s->connections.find(id);
    if (it == s->connections.end())
        return;
    server_loop_remove(s->loop, it->second->watch);
    auto count = s->per_peer.find(it->second->peer);
    if (count != s->per_peer.end() && --count->second == 0)
        s->per_peer.erase(count);
    s->connections.erase(it);
}

// Closes a connection that ended or broke and tells the owner; only from
// the loop, never from inside a call of the owner's.
void end(server_stream* s, int id)
{
    drop(s, id);
    s->callbacks.closed(s->callbacks.user, id);
}

// Closes the connections that failed inside server_stream_send.
void report_failed(void* user)
{
    auto* s = static_cast<server_stream*>(user);
    std::vector<int> ids = std::move(s->failed);
    s->failed.clear();
    for (int id : ids) {
        if (s->connections.count(id))
            end(s, id);
    }
}

// A connection that failed while the owner was sending: it is closed and
// reported after the loop's round, when the owner is not busy.
void fail(server_stream* s, connection& c, int id)
{
    if (c.failed)
        return;
    c.failed = true;
    server_loop_set_events(s->loop, c.watch, 0);
    if (s->failed.empty())
        server_loop_defer(s->loop, report_failed, s);
    s->failed.push_back(id);
}

// Sends as much of the queue as the socket takes. Returns 0, or an errno
// value when the connection broke.
int flush(connection& c)
{
    size_t sent = 0;
    while (sent < c.out.size()) {
        ssize_t n = ::send(c.fd.get(), c.out.data() + sent, c.out.size() - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            return errno;
        }
        sent += static_cast<size_t>(n);
    }
    c.out.erase(c.out.begin(), c.out.begin() + static_cast<long>(sent));
    return 0;
}

// The loop calls this only while the watch exists, so the connection does.
void on_connection(void* user, int, short revents)
{
    auto& c = *static_cast<connection*>(user);
    server_stream* s = c.stream;
    int id = c.id;
    if (c.failed)
        return;
    if (revents & POLLOUT) {
        if (flush(c) != 0)
            return end(s, id);
        server_loop_set_events(s->loop, c.watch, c.out.empty() ? POLLIN : POLLIN | POLLOUT);
        if (c.out.empty() && s->callbacks.drained) {
            // The owner may send, or close this connection, from inside the call.
            s->callbacks.drained(s->callbacks.user, id);
            auto it = s->connections.find(id);
            if (it == s->connections.end() || it->second->failed)
                return;
        }
    }
    if (!(revents & (POLLIN | POLLHUP | POLLERR)))
        return;
    uint8_t buffer[4096];
    ssize_t n = ::recv(c.fd.get(), buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (n <= 0)
        return end(s, id);
    // The owner may close this or other connections from inside the call.
    if (s->callbacks.received(s->callbacks.user, id, buffer, static_cast<size_t>(n)) != 0)
        server_stream_close(s, id);
}

void on_listener(void* user, int fd, short)
{
    auto* s = static_cast<server_stream*>(user);
    for (;;) {
        sockaddr_in peer{};
        socklen_t peer_size = sizeof peer;
        int accepted = ::accept(fd, reinterpret_cast<sockaddr*>(&peer), &peer_size);
        if (accepted < 0)
            return;
        auto c = std::make_unique<connection>(accepted);
        sockaddr_in local{};
        socklen_t local_size = sizeof local;
        uint32_t address = ntohl(peer.sin_addr.s_addr);
        auto held = s->per_peer.find(address);
        if (s->connections.size() >= max_connections ||
            (held != s->per_peer.end() && held->second >= s->per_address) ||
            make_non_blocking(accepted) != 0 ||
            getsockname(accepted, reinterpret_cast<sockaddr*>(&local), &local_size) != 0)
            continue;
        int id = s->next_id++;
        c->stream = s;
        c->id = id;
        c->peer = address;
        ++s->per_peer[address];
        c->watch = server_loop_add(s->loop, accepted, POLLIN, on_connection, c.get());
        s->connections[id] = std::move(c);
        s->callbacks.opened(s->callbacks.user, id, address, ntohl(local.sin_addr.s_addr));
    }
}

}  // namespace

int server_stream_listen(server_loop* loop, const char* address, uint16_t port,
                         const server_stream_callbacks& callbacks, server_stream** stream)
{
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    if (inet_pton(AF_INET, address, &where.sin_addr) != 1)
        return EINVAL;
    auto s = std::make_unique<server_stream>();
    s->loop = loop;
    s->callbacks = callbacks;
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return errno;
    s->listener = socket_fd(fd);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (int error = make_non_blocking(fd))
        return error;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, 64) != 0)
        return errno;
    socklen_t size = sizeof where;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size) != 0)
        return errno;
    s->port = ntohs(where.sin_port);
    s->listen_watch = server_loop_add(loop, fd, POLLIN, on_listener, s.get());
    *stream = s.release();
    return 0;
}

void server_stream_set_per_address(server_stream* stream, size_t limit)
{
    stream->per_address = limit;
}

uint16_t server_stream_port(const server_stream* stream)
{
    return stream->port;
}

void server_stream_send(server_stream* s, int id, const uint8_t* data, size_t size)
{
    auto it = s->connections.find(id);
    if (it == s->connections.end() || it->second->failed)
        return;
    connection& c = *it->second;
    c.out.insert(c.out.end(), data, data + size);
    if (flush(c) != 0 || c.out.size() > max_queued) {
        fail(s, c, id);
        return;
    }
    server_loop_set_events(s->loop, c.watch, c.out.empty() ? POLLIN : POLLIN | POLLOUT);
}

size_t server_stream_queued(const server_stream* s, int id)
{
    auto it = s->connections.find(id);
    return it == s->connections.end() ? 0 : it->second->out.size();
}

void server_stream_close(server_stream* s, int id)
{
    auto it = s->connections.find(id);
    if (it == s->connections.end())
        return;
    flush(*it->second);
    drop(s, id);
}

void server_stream_destroy(server_stream* s)
{
    if (!s)
        return;
    for (auto& [id, c] : s->connections)
        server_loop_remove(s->loop, c->watch);
    server_loop_remove(s->loop, s->listen_watch);
    server_loop_forget(s->loop, s);
    delete s;
}
