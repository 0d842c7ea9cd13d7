#include "net/resolve.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <arpa/inet.h>
#include <netdb.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/log.h"

struct resolve_waiter {
    uint32_t* address;
    bool cancelled = false;
};

namespace {

constexpr int tries = 4;

uint32_t system_lookup(const char* host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
        return resolve_failed;
    uint32_t address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return address;
}

struct entry {
    std::string name;
    bool done = false;
    uint32_t address = 0;
    int retries = 0;
    std::list<std::unique_ptr<resolve_waiter>> waiters;
};

// What the lookup thread and the program share. The thread outlives the
// resolver when a lookup is slow at exit; it then finds `closed` and posts
// nothing.
struct channel {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::string> names;
    bool closed = false;
    resolve_lookup lookup = system_lookup;
};

struct resolver_state {
    std::list<entry> entries;
    std::shared_ptr<channel> shared;
};

resolver_state state;

void finish(const std::string& name, uint32_t address);

void lookup_thread(std::shared_ptr<channel> c)
{
    std::unique_lock<std::mutex> hold(c->lock);
    for (;;) {
        c->wake.wait(hold, [&c] { return c->closed || !c->names.empty(); });
        if (c->closed)
            return;
        std::string name = c->names.front();
        c->names.pop_front();
        resolve_lookup lookup = c->lookup;
        hold.unlock();
        uint32_t address = lookup(name.c_str());
        hold.lock();
        if (c->closed)
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [name, address] { finish(name, address); },
            Qt::QueuedConnection);
    }
}

void start_lookup(const std::string& name)
{
    std::lock_guard<std::mutex> hold(state.shared->lock);
    state.shared->names.push_back(name);
    state.shared->wake.notify_one();
}

// A lookup's result, on the main thread.
void finish(const std::string& name, uint32_t address)
{
    for (entry& e : state.entries) {
        if (e.name != name || e.done)
            continue;
        if (address == resolve_failed && ++e.retries < tries) {
            start_lookup(name);
            return;
        }
        if (log_trace())
            log_write("resolve: %s %s", name.c_str(), address == resolve_failed ? "failed" : "found");
        e.done = true;
        e.address = address;
        // The waits stay with the entry: their callers may still hold them.
        for (auto& w : e.waiters) {
            if (!w->cancelled)
                *w->address = address;
            w->cancelled = true;
        }
        return;
    }
}

}  // namespace

int resolve_init()
{
    if (state.shared)
        return 0;
    state.shared = std::make_shared<channel>();
    std::thread(lookup_thread, state.shared).detach();
    return 0;
}

resolve_waiter* resolve(const char* host, uint32_t* address)
{
    in_addr dotted{};
    if (inet_pton(AF_INET, host, &dotted) == 1) {
        *address = dotted.s_addr;
        return nullptr;
    }
    *address = 0;
    if (!state.shared) {
        *address = resolve_failed;
        return nullptr;
    }
    for (entry& e : state.entries) {
        if (e.name != host)
            continue;
        if (e.done) {
            *address = e.address;
            return nullptr;
        }
        e.waiters.push_back(std::make_unique<resolve_waiter>(resolve_waiter{address}));
        return e.waiters.back().get();
    }
    state.entries.emplace_front();
    entry& e = state.entries.front();
    e.name = host;
    e.waiters.push_back(std::make_unique<resolve_waiter>(resolve_waiter{address}));
    start_lookup(e.name);
    return e.waiters.back().get();
}

void resolve_cancel(resolve_waiter* waiter)
{
    if (waiter)
        waiter->cancelled = true;
}

void resolve_term()
{
    if (state.shared) {
        std::lock_guard<std::mutex> hold(state.shared->lock);
        state.shared->closed = true;
        state.shared->wake.notify_all();
    }
    state.shared.reset();
    state.entries.clear();
}

void resolve_set_lookup(resolve_lookup lookup)
{
    if (state.shared) {
        std::lock_guard<std::mutex> hold(state.shared->lock);
        state.shared->lookup = lookup ? lookup : system_lookup;
    }
}
