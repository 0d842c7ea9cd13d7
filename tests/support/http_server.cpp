#include "support/http_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "support/tcp_peer.h"

namespace {

struct connection {
    int fd;
    std::string pending;
    bool stalled = false;
};

bool parse(const std::string& head, http_server::request* out)
{
    size_t line_end = head.find("\r\n");
    std::string first = head.substr(0, line_end);
    size_t a = first.find(' ');
    size_t b = first.find(' ', a + 1);
    if (a == std::string::npos || b == std::string::npos)
        return false;
    out->path = first.substr(a + 1, b - a - 1);
    size_t at = line_end + 2;
    while (at < head.size()) {
        size_t end = head.find("\r\n", at);
        if (end == std::string::npos)
            end = head.size();
        std::string line = head.substr(at, end - at);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            size_t value = line.find_first_not_of(' ', colon + 1);
            out->headers[name] = value == std::string::npos ? "" : line.substr(value);
        }
        at = end + 2;
    }
    return true;
}

void send_all(int fd, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

const char* reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 304: return "Not Modified";
    case 404: return "Not Found";
    case 406: return "Not Acceptable";
    default: return "Status";
    }
}

}  // namespace

http_server::http_server(handler answer) : answer_(std::move(answer))
{
    listener_ = loopback_listener(64, &port_);
    if (pipe(wake_) != 0)
        wake_[0] = wake_[1] = -1;
    thread_ = std::thread([this] { run(); });
}

http_server::~http_server()
{
    stop_ = true;
    if (wake_[1] >= 0) {
        char c = 0;
        ssize_t ignored = write(wake_[1], &c, 1);
        (void)ignored;
    }
    thread_.join();
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

std::string http_server::host() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

std::vector<http_server::request> http_server::requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t http_server::request_count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

http_server::response http_server::file(const std::string& body)
{
    response r;
    r.body = body;
    return r;
}

void http_server::run()
{
    std::vector<connection> connections;
    while (!stop_) {
        std::vector<pollfd> fds = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        for (const connection& c : connections)
            fds.push_back({c.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), 200) <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                connections.push_back({fd, {}});
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            connection& c = connections[i - 2];
            char buffer[4096];
            ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                ::close(c.fd);
                c.fd = -1;
                continue;
            }
            c.pending.append(buffer, static_cast<size_t>(n));
            size_t end;
            while (!c.stalled && (end = c.pending.find("\r\n\r\n")) != std::string::npos) {
                request r;
                bool ok = parse(c.pending.substr(0, end), &r);
                c.pending.erase(0, end + 4);
                if (!ok)
                    continue;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    requests_.push_back(r);
                }
                response answer = answer_(r);
                std::string text = "HTTP/1.1 " + std::to_string(answer.status) + " " +
                                   reason(answer.status) + "\r\n";
                bool has_length = false;
                for (const std::string& h : answer.headers) {
                    text += h + "\r\n";
                    if (h.compare(0, 15, "Content-Length:") == 0)
                        has_length = true;
                }
                if (!has_length && answer.status != 304)
                    text += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
                text += "\r\n";
                if (answer.stall) {
                    send_all(c.fd, text);
                    c.stalled = true;
                    break;
                }
                send_all(c.fd, text + (answer.status == 304 ? "" : answer.body));
            }
        }
        connections.erase(std::remove_if(connections.begin(), connections.end(),
                                         [](const connection& c) { return c.fd < 0; }),
                          connections.end());
    }
    for (const connection& c : connections)
        ::close(c.fd);
}
