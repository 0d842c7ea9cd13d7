#include "event_loop.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "clock.h"

namespace {

struct watch {
    int fd;
    short events;
    server_loop_handler handler;
    void* user;
};

struct timer {
    int interval_ms;
    int64_t due_ms;
    server_loop_timer call;
    void* user;
};

// The pipe through which the signal handler wakes the loop; process-wide
// because a signal handler has no other way to reach it.
int signal_pipe[2] = {-1, -1};

void on_signal(int)
{
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t n = write(signal_pipe[1], &byte, 1);
    errno = saved;
}

void drain_signal_pipe(void* user, int fd, short)
{
    char buffer[64];
    while (read(fd, buffer, sizeof buffer) > 0) {}
    server_loop_stop(static_cast<server_loop*>(user));
}

}  // namespace

struct server_loop {
    std::map<int, watch> watches;
    std::vector<timer> timers;
    std::vector<std::pair<server_loop_timer, void*>> deferred;
    int next_id = 1;
    bool stopped = false;
};

server_loop* server_loop_create()
{
    return new server_loop;
}

void server_loop_destroy(server_loop* loop)
{
    delete loop;
}

int server_loop_add(server_loop* loop, int fd, short events, server_loop_handler handler,
                    void* user)
{
    int id = loop->next_id++;
    loop->watches[id] = watch{fd, events, handler, user};
    return id;
}

void server_loop_set_events(server_loop* loop, int id, short events)
{
    auto it = loop->watches.find(id);
    if (it != loop->watches.end())
        it->second.events = events;
}

void server_loop_remove(server_loop* loop, int id)
{
    loop->watches.erase(id);
}

void server_loop_every(server_loop* loop, int interval_ms, server_loop_timer call, void* user)
{
    loop->timers.push_back(timer{interval_ms, server_clock_ms() + interval_ms, call, user});
}

void server_loop_defer(server_loop* loop, server_loop_timer call, void* user)
{
    loop->deferred.emplace_back(call, user);
}

void server_loop_forget(server_loop* loop, void* user)
{
    std::erase_if(loop->deferred, [user](const auto& call) { return call.second == user; });
    std::erase_if(loop->timers, [user](const timer& t) { return t.user == user; });
}

int server_loop_stop_on_signals(server_loop* loop)
{
    if (signal_pipe[0] < 0) {
        if (pipe(signal_pipe) != 0)
            return errno;
        for (int fd : signal_pipe) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGINT, &action, nullptr) != 0 || sigaction(SIGTERM, &action, nullptr) != 0)
        return errno;
    signal(SIGPIPE, SIG_IGN);
    server_loop_add(loop, signal_pipe[0], POLLIN, drain_signal_pipe, loop);
    return 0;
}

void server_loop_stop(server_loop* loop)
{
    loop->stopped = true;
}

int server_loop_run_once(server_loop* loop, int timeout_ms)
{
    int64_t now = server_clock_ms();
    for (const timer& t : loop->timers)
        timeout_ms = static_cast<int>(std::clamp<int64_t>(t.due_ms - now, 0, timeout_ms));
    if (!loop->deferred.empty())
        timeout_ms = 0;

    std::vector<pollfd> fds;
    std::vector<int> ids;
    fds.reserve(loop->watches.size());
    ids.reserve(loop->watches.size());
    for (const auto& [id, w] : loop->watches) {
        fds.push_back(pollfd{w.fd, w.events, 0});
        ids.push_back(id);
    }
    int ready = poll(fds.data(), fds.size(), timeout_ms);
    if (ready < 0 && errno != EINTR)
        return errno;

    for (size_t i = 0; ready > 0 && i < fds.size(); ++i) {
        if (!fds[i].revents)
            continue;
        // An earlier handler of this round may have removed the watch.
        auto it = loop->watches.find(ids[i]);
        if (it != loop->watches.end() && it->second.fd == fds[i].fd)
            it->second.handler(it->second.user, fds[i].fd, fds[i].revents);
    }

    now = server_clock_ms();
    for (size_t i = 0; i < loop->timers.size(); ++i) {
        if (loop->timers[i].due_ms > now)
            continue;
        loop->timers[i].due_ms = now + loop->timers[i].interval_ms;
        loop->timers[i].call(loop->timers[i].user);
    }

    // Deferred calls may defer more.
    while (!loop->deferred.empty()) {
        auto calls = std::move(loop->deferred);
        loop->deferred.clear();
        for (auto [call, user] : calls)
            call(user);
    }
    return 0;
}

int server_loop_run(server_loop* loop)
{
    loop->stopped = false;
    while (!loop->stopped) {
        if (int error = server_loop_run_once(loop, 1000))
            return error;
    }
    return 0;
}
