#include "universe_service.h"

#include "event_loop.h"
#include "tcp.h"

struct us_service {
    server_loop* loop = nullptr;
    server_stream* stream = nullptr;
    us_universe* universe = nullptr;
};

namespace {

// How often silent clients are looked for, and held password checks.
constexpr int expire_interval_ms = 10000;
constexpr int resume_interval_ms = 100;

void opened(void* user, int connection, uint32_t peer, uint32_t local)
{
    us_universe_open(static_cast<us_service*>(user)->universe, connection, peer, local);
}

int received(void* user, int connection, const uint8_t* data, size_t size)
{
    return us_universe_input(static_cast<us_service*>(user)->universe, connection, data, size);
}

void closed(void* user, int connection)
{
    us_universe_close(static_cast<us_service*>(user)->universe, connection);
}

void send_bytes(void* user, int session, const uint8_t* data, size_t size)
{
    server_stream_send(static_cast<us_service*>(user)->stream, session, data, size);
}

void close_session(void* user, int session)
{
    server_stream_close(static_cast<us_service*>(user)->stream, session);
}

void expire(void* user)
{
    us_universe_expire(static_cast<us_service*>(user)->universe);
}

void resume(void* user)
{
    us_universe_resume(static_cast<us_service*>(user)->universe);
}

}  // namespace

int us_service_start(server_loop* loop, const char* address, uint16_t port,
                     const us_universe_options& options, const us_store* store,
                     const server_worlds* worlds, us_service** service)
{
    auto* s = new us_service;
    s->loop = loop;
    us_universe_io io;
    io.user = s;
    io.send = send_bytes;
    io.close = close_session;
    s->universe = us_universe_create(options, store, worlds, io);
    server_stream_callbacks callbacks;
    callbacks.user = s;
    callbacks.opened = opened;
    callbacks.received = received;
    callbacks.closed = closed;
    if (int error = server_stream_listen(loop, address, port, callbacks, &s->stream)) {
        us_universe_destroy(s->universe);
        delete s;
        return error;
    }
    if (options.per_address)
        server_stream_set_per_address(s->stream, options.per_address);
    server_loop_every(loop, expire_interval_ms, expire, s);
    server_loop_every(loop, resume_interval_ms, resume, s);
    *service = s;
    return 0;
}

uint16_t us_service_port(const us_service* service)
{
    return server_stream_port(service->stream);
}

void us_service_stop(us_service* service)
{
    server_loop_forget(service->loop, service);
    server_stream_destroy(service->stream);
    us_universe_destroy(service->universe);
    delete service;
}

int us_service_identity_session(const us_service* service, uint32_t identity, uint32_t address)
{
    return us_universe_identity_session(service->universe, identity, address);
}

int us_service_logged_in_from(const us_service* service, uint32_t address)
{
    return us_universe_logged_in_from(service->universe, address);
}

void us_service_enter_world(us_service* service, int session, std::string_view world)
{
    us_universe_enter_world(service->universe, session, world);
}

void us_service_leave_world(us_service* service, int session, std::string_view world)
{
    us_universe_leave_world(service->universe, session, world);
}
