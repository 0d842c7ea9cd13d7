#include "http_service.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "clock.h"
#include "content_names.h"
#include "event_loop.h"
#include "http_wire.h"
#include "log.h"
#include "tcp.h"

namespace {

// How often idle and stalled connections are looked for.
constexpr int expire_interval_ms = 1000;
// A body goes out in pieces of this size, the next one once the peer has
// taken the queue below it, so no file is ever held whole in memory.
constexpr size_t piece_size = 64 * 1024;
// The path of the teleport links (a query follows it).
constexpr std::string_view teleport_path = "cgi-bin/teleport";
constexpr const char* teleport_type = "application/x-vireo-teleport";

class file_fd {
public:
    file_fd() = default;
    ~file_fd() { reset(); }
    file_fd(const file_fd&) = delete;
    file_fd& operator=(const file_fd&) = delete;
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

struct connection {
    std::string in;        // bytes of requests not answered yet
    file_fd file;          // the file whose body is being sent
    uint64_t left = 0;     // bytes of that body still to send
    bool close_after = false;  // close once the answer has gone out
    int64_t head_started = 0;  // when the first byte of the waiting head came
    int64_t last_activity = 0;
};

// A file below the content directory, open for reading.
struct found_file {
    file_fd fd;
    uint64_t size = 0;
    int64_t modified = 0;
};

}  // namespace

struct hs_service {
    server_loop* loop = nullptr;
    server_stream* stream = nullptr;
    hs_service_options options;
    std::map<int, connection> connections;
};

namespace {

void drop(hs_service* s, int id)
{
    server_stream_close(s->stream, id);
    s->connections.erase(id);
}

// Opens <content>/<relative>, its name matched without regard to case,
// when it is a regular file that lies inside the content directory also
// after links are followed. Returns 0 or 404.
int open_file(const hs_service* s, const std::string& relative, found_file* file)
{
    char root[PATH_MAX], resolved[PATH_MAX];
    std::string full;
    if (relative.empty() || content_names_find(s->options.content, relative, &full) != 0 ||
        !realpath(s->options.content.c_str(), root) || !realpath(full.c_str(), resolved))
        return 404;
    std::string_view inside(resolved);
    std::string_view base(root);
    if (!inside.starts_with(base) || inside.size() <= base.size() ||
        (inside[base.size()] != '/' && base != "/"))
        return 404;
    // Not blocking on the open of a named pipe; regular files read as usual.
    int fd = ::open(resolved, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return 404;
    file->fd.reset(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return 404;
    file->size = static_cast<uint64_t>(info.st_size);
    file->modified = info.st_mtim.tv_sec;
    return 0;
}

void send_text(hs_service* s, int id, const std::string& text)
{
    server_stream_send(s->stream, id, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// An answer with a short text body (errors, hand-off files).
void send_small(hs_service* s, int id, connection& c, const hs_request& r, hs_response response,
                const std::string& body)
{
    response.content_length = body.size();
    response.close = response.close || c.close_after;
    c.close_after = response.close;
    std::string text = hs_response_head(response, server_clock_seconds());
    if (r.method != hs_method_head)
        text += body;
    send_text(s, id, text);
}

void send_status(hs_service* s, int id, connection& c, const hs_request& r, int status,
                 bool close)
{
    hs_response response;
    response.status = status;
    response.content_type = "text/plain";
    response.close = close;
    send_small(s, id, c, r, response,
               std::to_string(status) + (status == 404 ? " not found\n" : " refused\n"));
}

void answer_teleport(hs_service* s, int id, connection& c, const hs_request& r)
{
    std::string line;
    if (!r.has_query || hs_teleport_line(r.query, &line) != 0) {
        server_log("http: 404 for %s (a teleport link without a place)", r.path.c_str());
        return send_status(s, id, c, r, 404, false);
    }
    hs_response response;
    response.content_type = teleport_type;
    send_small(s, id, c, r, response, line + "\n");
}

void answer_file(hs_service* s, int id, connection& c, const hs_request& r,
                 const std::string& relative)
{
    found_file file;
    if (open_file(s, relative, &file) != 0) {
        server_log("http: 404 for %s", r.path.c_str());
        return send_status(s, id, c, r, 404, false);
    }
    hs_response response;
    response.content_type = hs_content_type(relative);
    response.last_modified = file.modified;
    response.content_length = file.size;
    response.close = c.close_after;
    int64_t since = 0;
    if (!r.if_modified_since.empty() && hs_date_parse(r.if_modified_since, &since) == 0 &&
        file.modified <= since)
        response.status = 304;
    send_text(s, id, hs_response_head(response, server_clock_seconds()));
    if (response.status == 200 && r.method == hs_method_get && file.size > 0) {
        c.file.reset(file.fd.release());
        c.left = file.size;
    }
}

// Sends one request's answer; the body of a file goes out later in pieces.
void answer(hs_service* s, int id, connection& c, const hs_request& r)
{
    c.close_after = !r.keep_alive;
    if (r.method == hs_method_other) {
        server_log("http: 405 for a method other than GET and HEAD");
        return send_status(s, id, c, r, 405, true);
    }
    if (r.has_body) {
        server_log("http: 400 for a request with a body");
        return send_status(s, id, c, r, 400, true);
    }
    std::string relative;
    if (int status = hs_path_resolve(r.path, &relative)) {
        server_log("http: %d for %s", status, r.path.c_str());
        return send_status(s, id, c, r, status, status != 404);
    }
    if (relative == teleport_path)
        return answer_teleport(s, id, c, r);
    answer_file(s, id, c, r, relative);
}

// Sends pieces of the body while the peer keeps up. Returns false when the
// connection had to be closed.
bool pump(hs_service* s, int id, connection& c)
{
    std::vector<uint8_t> piece(piece_size);
    while (c.left > 0 && server_stream_queued(s->stream, id) < piece_size) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(c.left, piece.size()));
        ssize_t n = ::read(c.file.get(), piece.data(), want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // The file shrank or failed: the announced length cannot be kept.
            server_log("http: a file ended early while being sent; connection closed");
            drop(s, id);
            return false;
        }
        server_stream_send(s->stream, id, piece.data(), static_cast<size_t>(n));
        c.left -= static_cast<uint64_t>(n);
    }
    if (c.left == 0)
        c.file.reset();
    return true;
}

// Moves a connection on as far as it can go: the body being sent, then
// the close that was asked for, then the requests that are waiting.
void advance(hs_service* s, int id)
{
    for (;;) {
        auto it = s->connections.find(id);
        if (it == s->connections.end())
            return;
        connection& c = it->second;
        if (c.left > 0 && (!pump(s, id, c) || c.left > 0))
            return;
        if (c.close_after) {
            if (server_stream_queued(s->stream, id) == 0)
                drop(s, id);
            return;
        }
        if (c.in.empty())
            return;
        hs_request request;
        size_t used = 0;
        int status = hs_request_parse(c.in.data(), c.in.size(), &request, &used);
        if (status == hs_parse_more)
            return;
        if (status != hs_parse_done) {
            server_log("http: %d for a malformed request", status);
            send_status(s, id, c, hs_request{}, status, true);
            continue;
        }
        c.in.erase(0, used);
        int64_t now = server_clock_ms();
        c.head_started = now;
        c.last_activity = now;
        answer(s, id, c, request);
    }
}

void opened(void* user, int id, uint32_t, uint32_t)
{
    auto* s = static_cast<hs_service*>(user);
    connection& c = s->connections[id];
    c.last_activity = server_clock_ms();
}

int received(void* user, int id, const uint8_t* data, size_t size)
{
    auto* s = static_cast<hs_service*>(user);
    auto it = s->connections.find(id);
    if (it == s->connections.end())
        return 1;
    connection& c = it->second;
    int64_t now = server_clock_ms();
    if (c.in.empty())
        c.head_started = now;
    c.last_activity = now;
    // Requests sent ahead while an answer is still going out wait here, up
    // to one head's worth; a peer that sends more without reading is cut off.
    if (c.in.size() + size > 2 * hs_head_max) {
        drop(s, id);
        return 0;
    }
    c.in.append(reinterpret_cast<const char*>(data), size);
    advance(s, id);
    return 0;
}

void drained(void* user, int id)
{
    auto* s = static_cast<hs_service*>(user);
    auto it = s->connections.find(id);
    if (it == s->connections.end())
        return;
    it->second.last_activity = server_clock_ms();
    advance(s, id);
}

void closed(void* user, int id)
{
    static_cast<hs_service*>(user)->connections.erase(id);
}

void expire(void* user)
{
    auto* s = static_cast<hs_service*>(user);
    int64_t now = server_clock_ms();
    const hs_service_options& o = s->options;
    std::vector<int> ended;
    for (const auto& [id, c] : s->connections) {
        bool sending = c.left > 0 || server_stream_queued(s->stream, id) > 0;
        if (sending ? now - c.last_activity > o.send_timeout_ms
            : !c.in.empty() ? now - c.head_started > o.head_timeout_ms
                            : now - c.last_activity > o.idle_timeout_ms)
            ended.push_back(id);
    }
    for (int id : ended)
        drop(s, id);
}

}  // namespace

int hs_service_start(server_loop* loop, const char* address, uint16_t port,
                     const hs_service_options& options, hs_service** service)
{
    auto* s = new hs_service;
    s->loop = loop;
    s->options = options;
    server_stream_callbacks callbacks;
    callbacks.user = s;
    callbacks.opened = opened;
    callbacks.received = received;
    callbacks.closed = closed;
    callbacks.drained = drained;
    if (int error = server_stream_listen(loop, address, port, callbacks, &s->stream)) {
        delete s;
        return error;
    }
    if (options.per_address)
        server_stream_set_per_address(s->stream, options.per_address);
    struct stat info {};
    if (stat(options.content.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        server_log("http: no content directory %s; every file is answered 404",
                   options.content.c_str());
    server_loop_every(loop, expire_interval_ms, expire, s);
    *service = s;
    return 0;
}

uint16_t hs_service_port(const hs_service* service)
{
    return server_stream_port(service->stream);
}

void hs_service_stop(hs_service* service)
{
    server_loop_forget(service->loop, service);
    server_stream_destroy(service->stream);
    delete service;
}
