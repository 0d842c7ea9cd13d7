#include "property_service.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "city.h"
#include "event_loop.h"
#include "log.h"
#include "property.h"
#include "tcp.h"
#include "universe_service.h"
#include "world_store.h"
#include "worlds.h"

namespace {

struct world_server {
    property_service* service = nullptr;
    std::string name;
    world_store* store = nullptr;
    property_world* world = nullptr;
    server_stream* stream = nullptr;

    ~world_server()
    {
        if (stream)
            server_stream_destroy(stream);
        if (world)
            property_destroy(world);
        if (store)
            world_store_close(store);
    }
};

}  // namespace

struct property_service {
    server_loop* loop = nullptr;
    server_worlds* worlds = nullptr;
    us_service* universe = nullptr;
    std::vector<std::unique_ptr<world_server>> servers;
};

namespace {

// How often quiet option writes and silent connections are looked for, at
// most: a write waits its quiet time and up to half as much again.
constexpr int tick_interval_ms = 100;

void opened(void* user, int connection, uint32_t peer, uint32_t local)
{
    property_open(static_cast<world_server*>(user)->world, connection, peer, local);
}

int received(void* user, int connection, const uint8_t* data, size_t size)
{
    return property_input(static_cast<world_server*>(user)->world, connection, data, size);
}

void closed(void* user, int connection)
{
    property_close(static_cast<world_server*>(user)->world, connection);
}

void send_bytes(void* user, int connection, const uint8_t* data, size_t size)
{
    server_stream_send(static_cast<world_server*>(user)->stream, connection, data, size);
}

void close_connection(void* user, int connection)
{
    server_stream_close(static_cast<world_server*>(user)->stream, connection);
}

void tick(void* user)
{
    for (const auto& server : static_cast<property_service*>(user)->servers)
        property_tick(server->world);
}

int identity_session(void* user, uint32_t identity, uint32_t address)
{
    return us_service_identity_session(static_cast<world_server*>(user)->service->universe,
                                       identity, address);
}

void presence(void* user, int session, int in)
{
    auto* server = static_cast<world_server*>(user);
    if (in)
        us_service_enter_world(server->service->universe, session, server->name);
    else
        us_service_leave_world(server->service->universe, session, server->name);
}

int logged_in_from(void* user, uint32_t address)
{
    return us_service_logged_in_from(static_cast<world_server*>(user)->service->universe,
                                     address);
}

int start_world(server_loop* loop, const property_service_options& options,
                const server_world& entry, world_server* server)
{
    property_options world;
    std::vector<world_seed_object> seeds;
    if (world_config_load(options.data, options.content, entry.name, &world.settings, &seeds) !=
        0)
        return 1;
    world.name = entry.name;
    world.title = entry.title;
    world.content = options.content;
    world.object_host = options.address;
    world.http_port = options.http_port;
    world.write_quiet_ms = options.write_quiet_ms;
    world.idle_timeout_ms = options.idle_timeout_ms;
    int fresh = 0;
    std::string path = (std::filesystem::path(options.data) / (entry.name + ".db")).string();
    server->store = world_store_open(path, &fresh);
    if (!server->store)
        return 1;
    property_io io;
    io.user = server;
    io.send = send_bytes;
    io.identity_session = identity_session;
    io.presence = presence;
    io.logged_in_from = logged_in_from;
    io.close = close_connection;
    server->world = property_create(world, server->store, io);
    if (fresh && options.city && entry.name == city_world_name) {
        auto started = std::chrono::steady_clock::now();
        seeds = city_objects(options.city_seed);
        auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started);
        server_log("world %s: made %zu objects from the seed %u in %lld ms", entry.name.c_str(),
                   seeds.size(), options.city_seed, static_cast<long long>(took.count()));
    }
    if (fresh && !seeds.empty()) {
        int placed = property_seed(server->world, seeds);
        if (placed < 0) {
            server_log("world %s: cannot store its seed objects", entry.name.c_str());
            return 1;
        }
        server_log("world %s: seeded with %d objects", entry.name.c_str(), placed);
        if (static_cast<size_t>(placed) < seeds.size())
            server_log("world %s: no room for %zu seed objects", entry.name.c_str(),
                       seeds.size() - static_cast<size_t>(placed));
    }
    server_stream_callbacks callbacks;
    callbacks.user = server;
    callbacks.opened = opened;
    callbacks.received = received;
    callbacks.closed = closed;
    if (int e = server_stream_listen(loop, options.address.c_str(), entry.port, callbacks,
                                     &server->stream)) {
        server_log("world %s: cannot listen on %s port %d: %s", entry.name.c_str(),
                   options.address.c_str(), entry.port, std::strerror(e));
        return 1;
    }
    if (options.per_address)
        server_stream_set_per_address(server->stream, options.per_address);
    return 0;
}

}  // namespace

int property_service_start(server_loop* loop, const property_service_options& options,
                           server_worlds* worlds, us_service* universe,
                           property_service** service)
{
    auto s = std::make_unique<property_service>();
    s->loop = loop;
    s->worlds = worlds;
    s->universe = universe;
    for (const server_world& entry : server_worlds_list(worlds)) {
        auto server = std::make_unique<world_server>();
        server->service = s.get();
        server->name = entry.name;
        if (start_world(loop, options, entry, server.get()) != 0) {
            for (const auto& started : s->servers)
                server_worlds_set_running(worlds, started->name, false);
            return 1;
        }
        uint16_t port = server_stream_port(server->stream);
        server_worlds_set_port(worlds, entry.name, port);
        server_worlds_set_running(worlds, entry.name, true);
        server_log("world %s (%s) on port %d", entry.name.c_str(), entry.title.c_str(), port);
        s->servers.push_back(std::move(server));
    }
    server_loop_every(loop, std::clamp(options.write_quiet_ms / 2, 1, tick_interval_ms), tick,
                      s.get());
    *service = s.release();
    return 0;
}

void property_service_stop(property_service* service)
{
    server_loop_forget(service->loop, service);
    for (const auto& server : service->servers)
        server_worlds_set_running(service->worlds, server->name, false);
    delete service;
}

namespace {

const property_world* world_named(const property_service* service, std::string_view name)
{
    for (const auto& server : service->servers) {
        if (server->name == name)
            return server->world;
    }
    return nullptr;
}

}  // namespace

int property_service_admits(const property_service* service, std::string_view world,
                            uint32_t address)
{
    const property_world* w = world_named(service, world);
    return w ? property_admits(w, address) : 0;
}

int property_service_speaker(const property_service* service, std::string_view world,
                             uint32_t address)
{
    const property_world* w = world_named(service, world);
    return w ? property_speaker(w, address) : 0;
}
