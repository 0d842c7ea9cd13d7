#pragma once
// The universe service without its sockets: sessions (one per client
// connection), the requests they send and the messages the server answers
// with. Bytes go in through us_universe_input; everything the server sends,
// to that client or to others, goes out through the io callbacks.
#include <cstddef>
#include <cstdint>
#include <string_view>

struct server_worlds;
struct us_store;
struct us_universe;

struct us_universe_options {
    // IPv4 address (host order) given to clients for the worlds; 0 (the
    // server listens on every address) gives each client the address it
    // reached the universe on.
    uint32_t world_address = 0;
    // The build values of the log-in reply.
    uint32_t minimum_build = 0;
    uint32_t current_build = 186;
    // Every log-in is answered "system full".
    bool full = false;
    // When the port is not 0, the first request of every connection is
    // answered by a redirect to this address and port.
    uint32_t redirect_address = 0;
    uint16_t redirect_port = 0;
    // Connections one address may hold on the universe's port (the service
    // applies it); 0 keeps the default (64).
    size_t per_address = 0;
    // After three wrong passwords in a row for one citizen from one address,
    // the next check of that password waits this long, and twice as long
    // after each further failure (up to a minute).
    int password_delay_ms = 1000;
};

struct us_universe_io {
    void* user = nullptr;
    // Bytes for one session's client.
    void (*send)(void* user, int session, const uint8_t* data, size_t size) = nullptr;
    // The server ends a session (a client that has been silent too long).
    void (*close)(void* user, int session) = nullptr;
};

us_universe* us_universe_create(const us_universe_options& options, const us_store* store,
                                const server_worlds* worlds, const us_universe_io& io);
void us_universe_destroy(us_universe* universe);

// A client connected from `peer`, reaching the server on `local` (IPv4
// addresses in host order). Session numbers are the caller's.
void us_universe_open(us_universe* universe, int session, uint32_t peer, uint32_t local);
// Bytes from a session's client, in any pieces. Returns 0, or 1 when the
// client broke the framing: the session is then already ended and the
// caller closes the connection.
int us_universe_input(us_universe* universe, int session, const uint8_t* data, size_t size);
// The client's connection ended.
void us_universe_close(us_universe* universe, int session);
// Ends (through io.close) every session whose client has sent nothing for
// five minutes.
void us_universe_expire(us_universe* universe);
// Goes on with the sessions whose password checks had to wait and may now
// run. Called often (every 100 ms or so).
void us_universe_resume(us_universe* universe);

// The client of a session has entered `world`, or left it (leaving a world
// other than the session's changes nothing). The citizen's watchers are
// told when the world changes.
void us_universe_enter_world(us_universe* universe, int session, std::string_view world);
void us_universe_leave_world(us_universe* universe, int session, std::string_view world);

// The session logged in from `address` (IPv4, host order) that builds as
// `identity`: its citizen's own number or that of the privileges acquired.
// 0 when there is none.
int us_universe_identity_session(const us_universe* universe, uint32_t identity,
                                 uint32_t address);
// 1 when someone (citizen or tourist) is logged in from `address`, else 0.
int us_universe_logged_in_from(const us_universe* universe, uint32_t address);
