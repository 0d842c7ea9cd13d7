#include "avatar_service.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "avatar_world.h"
#include "bots.h"
#include "clock.h"
#include "event_loop.h"
#include "log.h"
#include "property_service.h"
#include "worlds.h"

namespace {

// How often the worlds send their lists and resends and the bots move.
constexpr int tick_ms = 200;
// Datagrams taken from one socket in one round of the loop, so that a
// flood on one world does not starve the others.
constexpr int datagrams_per_round = 256;
constexpr uint32_t bots_seed = 1;

struct world_port {
    av_service* service = nullptr;
    std::string name;
    int fd = -1;
    uint16_t port = 0;
    int watch = 0;
    av_world* world = nullptr;
    int users = 0;
};

}  // namespace

struct av_service {
    server_loop* loop = nullptr;
    server_worlds* worlds = nullptr;
    const property_service* properties = nullptr;
    std::vector<std::unique_ptr<world_port>> ports;
    av_bots* bots = nullptr;
};

namespace {

void send_datagram(void* user, av_address to, const uint8_t* data, size_t size)
{
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(to.ip);
    where.sin_port = htons(to.port);
    // A datagram the socket cannot take now is lost, as any datagram may be.
    sendto(static_cast<world_port*>(user)->fd, data, size, MSG_DONTWAIT,
           reinterpret_cast<sockaddr*>(&where), sizeof where);
}

int admitted(void* user, av_address from)
{
    auto* p = static_cast<world_port*>(user);
    return property_service_admits(p->service->properties, p->name, from.ip);
}

int speaker(void* user, av_address from)
{
    auto* p = static_cast<world_port*>(user);
    return property_service_speaker(p->service->properties, p->name, from.ip);
}

void count_users(world_port* p)
{
    int users = av_world_users(p->world);
    if (users != p->users) {
        p->users = users;
        server_worlds_set_users(p->service->worlds, p->name, users);
    }
}

void readable(void* user, int fd, short)
{
    auto* p = static_cast<world_port*>(user);
    int64_t now = server_clock_ms();
    for (int i = 0; i < datagrams_per_round; ++i) {
        uint8_t buffer[1500];
        sockaddr_in from{};
        socklen_t from_size = sizeof from;
        ssize_t n = recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT,
                             reinterpret_cast<sockaddr*>(&from), &from_size);
        if (n < 0)
            break;
        if (from.sin_family != AF_INET)
            continue;
        av_address address{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
        av_world_input(p->world, address, buffer, static_cast<size_t>(n), now);
    }
    count_users(p);
}

void tick(void* user)
{
    auto* s = static_cast<av_service*>(user);
    int64_t now = server_clock_ms();
    if (s->bots)
        av_bots_step(s->bots, now);
    for (auto& p : s->ports) {
        av_world_tick(p->world, now);
        count_users(p.get());
    }
}

// Opens one world's socket. Returns 0 or an errno value.
int open_port(av_service* s, const char* address, const server_world& world)
{
    auto p = std::make_unique<world_port>();
    p->service = s;
    p->name = world.name;
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(world.port);
    if (inet_pton(AF_INET, address, &where.sin_addr) != 1)
        return EINVAL;
    p->fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (p->fd < 0)
        return errno;
    socklen_t size = sizeof where;
    if (bind(p->fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
        getsockname(p->fd, reinterpret_cast<sockaddr*>(&where), &size) != 0) {
        int error = errno;
        close(p->fd);
        return error;
    }
    p->port = ntohs(where.sin_port);
    av_world_io io;
    io.user = p.get();
    io.send = send_datagram;
    io.admitted = admitted;
    io.speaker = speaker;
    p->world = av_world_create(io);
    p->watch = server_loop_add(s->loop, p->fd, POLLIN, readable, p.get());
    s->ports.push_back(std::move(p));
    return 0;
}

}  // namespace

int av_service_start(server_loop* loop, const char* address, server_worlds* worlds,
                     const property_service* properties, int bots, av_service** service)
{
    auto* s = new av_service;
    s->loop = loop;
    s->worlds = worlds;
    s->properties = properties;
    for (const server_world& world : server_worlds_running(worlds)) {
        if (int error = open_port(s, address, world)) {
            server_log("world %s: cannot bind UDP port %d: %s", world.name.c_str(), world.port,
                       std::strerror(error));
            av_service_stop(s);
            return error;
        }
        server_log("world %s: avatars on UDP port %d", world.name.c_str(), s->ports.back()->port);
    }
    if (bots > 0 && !s->ports.empty()) {
        world_port* flagship = s->ports.front().get();
        s->bots = av_bots_create(flagship->world, bots, bots_seed, server_clock_ms());
        count_users(flagship);
        server_log("%d bots walk in %s", bots, flagship->name.c_str());
    }
    server_loop_every(loop, tick_ms, tick, s);
    *service = s;
    return 0;
}

uint16_t av_service_port(const av_service* service, std::string_view world)
{
    for (const auto& p : service->ports) {
        if (p->name == world)
            return p->port;
    }
    return 0;
}

void av_service_stop(av_service* service)
{
    server_loop_forget(service->loop, service);
    if (service->bots)
        av_bots_destroy(service->bots);
    for (auto& p : service->ports) {
        server_loop_remove(service->loop, p->watch);
        close(p->fd);
        av_world_destroy(p->world);
        server_worlds_set_users(service->worlds, p->name, 0);
    }
    delete service;
}
