#include "net/universe.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <arpa/inet.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/clock.h"
#include "base/log.h"
#include "base/profile.h"
#include "base/settings.h"
#include "net/contacts.h"
#include "net/fields.h"
#include "net/login.h"
#include "net/resolve.h"
#include "net/socket.h"
#include "net/universe_codes.h"
#include "net/universe_message.h"

namespace {

constexpr size_t ring_size = 8096;
constexpr uint32_t reconnect_gap_ms = 10000;
constexpr uint32_t keep_alive_ms = 60000;
constexpr int max_contacts = 50;
constexpr const char* default_host = "localhost";

// The bytes received and not yet read, in a ring; `consumed` counts what a
// parser has read since it last reset it.
struct receive_stream {
    std::array<uint8_t, ring_size> ring{};
    size_t available = 0;
    size_t read_at = 0;
    size_t write_at = 0;
    int last_result = 0;
    size_t consumed = 0;
};

struct universe_state {
    uint32_t address = 0;   // network order; 0 pending, resolve_failed failed
    uint16_t port = 0;      // network order
    resolve_waiter* lookup = nullptr;
    tcp_connection* connection = nullptr;
    std::unique_ptr<receive_stream> stream;
    uint32_t last_attempt = 0;
    bool attempted = false;
    uint32_t keep_alive_at = 0;
    bool first_connection = true;
    bool relogin_needed = false;
    int pending_length = -1;
    int waiting = 0;

    std::array<uint8_t, universe::max_request> send{};
    size_t send_length = 0;
    bool send_overflow = false;

    // Reply registers.
    int last_rc = 0;
    uint32_t world_address = 0;
    uint16_t world_port = 0;
    uint32_t minimum_build = 0;
    uint32_t current_build = 0;
    int beta = 0;
    bool login_number = false;
    uint32_t citizen_number = 0;
    std::string privilege_name;
};

universe_state state;

// Who hears which message, in the order they asked; set once at start-up,
// so a new connection keeps them.
struct listener {
    int id;
    universe_handler handler;
};
std::vector<listener> listeners;

bool reached(uint32_t now, uint32_t when)
{
    return static_cast<int32_t>(now - when) >= 0;
}

int universe_connect(bool force)
{
    state.pending_length = -1;
    if (state.connection) {
        tcp_close(state.connection);
        state.connection = nullptr;
    }
    state.stream.reset();
    uint32_t now = clock_ms();
    if (!force && state.attempted && now - state.last_attempt < reconnect_gap_ms)
        return universe::reason_unreachable;
    state.attempted = true;
    state.last_attempt = now;
    if (!universe_connected() || tcp_connect(state.address, state.port, &state.connection) != 0) {
        state.connection = nullptr;
        return universe::reason_not_started;
    }
    state.stream = std::make_unique<receive_stream>();
    if (log_universe())
        log_write("universe_connect (%s)", force ? "forced" : "again");
    if (state.first_connection)
        state.first_connection = false;
    else
        state.relogin_needed = true;
    return 0;
}

// Receives what is there once into the ring; the receive's result.
int fill()
{
    receive_stream& s = *state.stream;
    size_t room = ring_size - s.available;
    if (room == 0)
        return 0;
    uint8_t buffer[4096];
    size_t got = 0;
    int rc = tcp_receive(state.connection, buffer, std::min(room, sizeof buffer), &got);
    for (size_t i = 0; i < got; ++i) {
        s.ring[s.write_at] = buffer[i];
        s.write_at = (s.write_at + 1) % ring_size;
    }
    s.available += got;
    if (rc != 0)
        s.last_result = rc;
    return rc;
}

void take(uint8_t* out, size_t n)
{
    receive_stream& s = *state.stream;
    for (size_t i = 0; i < n; ++i) {
        out[i] = s.ring[s.read_at];
        s.read_at = (s.read_at + 1) % ring_size;
    }
    s.available -= n;
    s.consumed += n;
}

// Waits, keeping the program alive, until the socket is ready for these
// events or a short while has passed.
void pause_for(short events)
{
    pollfd p{tcp_descriptor(state.connection), events, 0};
    poll(&p, 1, 10);
    // Frames and painting go on; clicks wait until the reply is in, so
    // no second request can start inside this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Makes sure n bytes are in the ring: receiving once, or, while a caller
// waits for a reply, until they arrive or the connection fails. Returns 0
// with *ready telling whether they are there, or a transport error.
int need(size_t n, bool* ready)
{
    *ready = state.stream->available >= n;
    while (!*ready) {
        int rc = fill();
        if (rc != 0)
            return rc;
        *ready = state.stream->available >= n;
        if (*ready || !state.waiting)
            return 0;
        pause_for(POLLIN);
        if (!state.stream)
            return universe::reason_no_stream;
    }
    return 0;
}

// The reply registers of world lookups, build values and log-in replies.
void read_registers(const universe_message& m)
{
    switch (m.id) {
    case universe::message_world_address:
        if (m.rc == 0) {
            state.world_address = m.address;
            state.world_port = m.port;
        }
        break;
    case universe::message_build:
        if (m.rc == 0) {
            state.minimum_build = m.minimum_build;
            state.current_build = m.current_build;
            state.beta = m.beta;
        }
        break;
    case universe::message_login:
        state.minimum_build = m.minimum_build;
        if (m.has_current_build) {
            state.current_build = m.current_build;
            state.beta = m.beta;
        }
        state.login_number = m.has_number;
        if (m.has_number)
            state.citizen_number = m.number;
        state.privilege_name = m.privilege_name;
        break;
    default:
        break;
    }
}

}  // namespace

void universe_init()
{
    std::string host = profile_string("universe", "host");
    if (host.empty())
        host = default_host;
    state.port = htons(static_cast<uint16_t>(settings_int("universe", "port")));
    if (log_universe())
        log_write("universe_init (%s, %d)", host.c_str(), ntohs(state.port));
    state.lookup = resolve(host.c_str(), &state.address);
    state.keep_alive_at = clock_ms() + keep_alive_ms;
}

int universe_connected()
{
    return state.address != 0 && state.address != resolve_failed ? 1 : 0;
}

int universe_open()
{
    return state.connection ? 1 : 0;
}

int universe_failed()
{
    return state.address == resolve_failed ? 1 : 0;
}

void universe_begin(int code)
{
    state.send_length = 3;
    state.send_overflow = false;
    state.send[0] = 0;
    state.send[1] = 0;
    state.send[2] = static_cast<uint8_t>(code);
}

namespace {

void put(const void* bytes, size_t n)
{
    if (state.send_length + n > state.send.size()) {
        state.send_overflow = true;
        n = state.send.size() - state.send_length;
    }
    std::memcpy(state.send.data() + state.send_length, bytes, n);
    state.send_length += n;
}

}  // namespace

void universe_put_u8(uint8_t value)
{
    put(&value, 1);
}

void universe_put_u32(uint32_t value)
{
    uint8_t b[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                    static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    put(b, 4);
}

void universe_put_text(const std::string& text)
{
    size_t n = std::min<size_t>(text.size(), 255);
    universe_put_u8(static_cast<uint8_t>(n));
    put(text.data(), n);
}

int universe_send()
{
    if (!state.connection) {
        if (int rc = universe_connect(false))
            return rc;
    }
    state.send[0] = 0;
    state.send[1] = static_cast<uint8_t>((state.send_length - 2) % 256);
    if (log_universe())
        log_write("Sending universe message: code %d, length %d", state.send[2],
                  static_cast<int>(state.send_length - 2));
    int retries = 0;
    for (;;) {
        int rc = tcp_send(state.connection, state.send.data(), state.send_length);
        if (rc == 0)
            break;
        if (rc == socket_connecting) {
            // Still connecting: wait a little, keeping the program alive.
            pause_for(POLLOUT);
            continue;
        }
        if (int again = universe_connect(false))
            return again;
        if (rc != socket_timeout || retries >= 3)
            return universe::reason_unreachable;
        ++retries;
    }
    state.keep_alive_at = clock_ms() + keep_alive_ms;
    return 0;
}

int universe_receive(int* id)
{
    *id = -1;
    if (!state.stream) {
        if (int rc = universe_connect(false))
            return rc;
    }
    bool ready = false;
    if (state.pending_length < 0) {
        if (int rc = need(2, &ready)) {
            universe_connect(false);
            return rc;
        }
        if (!ready)
            return 0;
        uint8_t length[2];
        take(length, 2);
        state.pending_length = length[0] << 8 | length[1];
        if (state.pending_length > static_cast<int>(universe::max_message) ||
            state.pending_length < 2) {
            if (log_universe())
                log_write("universe: bad length %d", state.pending_length);
            state.pending_length = -1;
            universe_connect(false);
            return 0;
        }
    }
    auto length = static_cast<size_t>(state.pending_length);
    if (int rc = need(length, &ready)) {
        universe_connect(false);
        return rc;
    }
    if (!ready)
        return 0;
    std::vector<uint8_t> message(length);
    state.stream->consumed = 0;
    take(message.data(), length);
    state.pending_length = -1;
    int got = message[1];
    if (log_universe())
        log_write("Received universe message: length %d, id %d, rc %d", static_cast<int>(length),
                  got, message[0]);
    if (got == universe::message_redirect) {
        state.last_rc = message[0];
        field_reader in(message.data() + 2, length - 2);
        const uint8_t* address = in.raw(4);
        const uint8_t* port = in.raw(2);
        if (!address || !port)
            return 0;
        std::memcpy(&state.address, address, 4);
        std::memcpy(&state.port, port, 2);
        if (int again = universe_connect(true))
            return again;
        if (int again = universe_send())
            return again;
        return universe_receive(id);
    }
    *id = universe_handle_message(message.data(), length);
    return 0;
}

int universe_handle_message(const uint8_t* message, size_t length)
{
    universe_message m;
    if (universe_message_decode(message, length, &m) != 0)
        return -1;
    state.last_rc = m.rc;
    read_registers(m);
    for (const listener& l : listeners) {
        if (l.id == m.id)
            l.handler(m);
    }
    return m.id;
}

void universe_listen(int id, universe_handler handler)
{
    listeners.push_back({id, handler});
}

int universe_wait(int id)
{
    ++state.waiting;
    int result = 0;
    for (;;) {
        int got = -1;
        int rc = universe_receive(&got);
        if (rc != 0) {
            result = rc;
            break;
        }
        if (got == id) {
            result = state.last_rc;
            break;
        }
        if (got < 0 && state.stream && state.pending_length >= 0)
            pause_for(POLLIN);
    }
    --state.waiting;
    return result;
}

void universe_update()
{
    // While a dialog waits for a reply, its wait does the receiving.
    if (state.waiting)
        return;
    if (state.relogin_needed) {
        if (universe_relogin() == 0)
            contacts_resend();
    }
    // Without a connection the keep-alive is what reconnects (at most one
    // attempt every 10 s) and so brings the log-in back.
    if (universe_connected() && reached(clock_ms(), state.keep_alive_at)) {
        universe_begin(universe::request_keep_alive);
        universe_send();
    }
    if (!state.stream)
        return;
    if (state.stream->available > 0 || tcp_readable(state.connection)) {
        int id;
        universe_receive(&id);
    }
}

void universe_term()
{
    resolve_cancel(state.lookup);
    tcp_close(state.connection);
    state = universe_state{};
}

namespace {

// Sends the request in the buffer and, when it has a reply to wait for,
// waits for it.
int request(int reply)
{
    if (int rc = universe_send())
        return rc;
    return reply >= 0 ? universe_wait(reply) : 0;
}

}  // namespace

int universe_lookup_world(const char* name, uint32_t* address, uint16_t* port)
{
    universe_begin(universe::request_lookup_world);
    universe_put_text(name);
    int rc = request(universe::message_world_address);
    if (rc == 0) {
        *address = htonl(state.world_address);
        *port = htons(state.world_port);
    }
    return rc;
}

int universe_immigrate(const char* name, const char* password, const char* email)
{
    universe_begin(universe::request_immigrate);
    universe_put_text(name);
    universe_put_text(password);
    universe_put_u8(2);
    universe_put_text(email);
    return request(universe::message_immigrated);
}

int universe_set_attributes(const char* name, const char* password, const char* new_name,
                            const char* new_password, const char* email,
                            const char* privilege_password)
{
    universe_begin(universe::request_set_attributes);
    universe_put_text(name);
    universe_put_text(password);
    const char* values[4] = {new_name, new_password, email, privilege_password};
    for (uint8_t tag = 0; tag < 4; ++tag) {
        universe_put_u8(tag);
        universe_put_text(values[tag] ? values[tag] : "");
    }
    return request(universe::message_attributes_set);
}

int universe_get_attributes(const char* name, const char* password)
{
    universe_begin(universe::request_get_attributes);
    universe_put_text(name);
    universe_put_text(password);
    return request(-1);
}

int universe_send_password(const char* name, const char* email)
{
    universe_begin(universe::request_send_password);
    universe_put_text(name);
    universe_put_text(email);
    return request(-1);
}

int universe_get_citizen_name(uint32_t number)
{
    universe_begin(universe::request_citizen_name);
    universe_put_u32(number);
    return request(-1);
}

int universe_get_telegram()
{
    universe_begin(universe::request_get_telegram);
    return request(-1);
}

int universe_send_telegram(uint32_t addressee, const char* text)
{
    universe_begin(universe::request_send_telegram);
    universe_put_u32(addressee);
    universe_put_text(text);
    return request(-1);
}

int universe_get_citizen_number(const char* name)
{
    universe_begin(universe::request_citizen_number);
    universe_put_text(name);
    return request(-1);
}

int universe_whos_at(uint32_t address)
{
    universe_begin(universe::request_whos_at);
    put(&address, 4);
    return request(-1);
}

int universe_get_worlds()
{
    universe_begin(universe::request_get_worlds);
    return request(-1);
}

int universe_contact_list(const uint32_t* numbers, int count)
{
    universe_begin(universe::request_contact_list);
    for (int i = 0; i < std::min(count, max_contacts); ++i)
        universe_put_u32(numbers[i]);
    return request(-1);
}

int universe_add_contact(uint32_t number)
{
    universe_begin(universe::request_add_contact);
    universe_put_u32(number);
    return request(-1);
}

int universe_delete_contact(uint32_t number)
{
    universe_begin(universe::request_delete_contact);
    universe_put_u32(number);
    return request(-1);
}

int universe_get_citizen_location(uint32_t number)
{
    universe_begin(universe::request_citizen_location);
    universe_put_u32(number);
    return request(-1);
}

int universe_location(int answer, uint32_t asker, const char* world, uint32_t x, uint32_t y,
                      uint32_t z, uint16_t facing)
{
    universe_begin(universe::request_location);
    universe_put_u8(static_cast<uint8_t>(answer));
    universe_put_u32(asker);
    if (answer == 0) {
        universe_put_text(world ? world : "");
        universe_put_u32(x);
        universe_put_u32(y);
        universe_put_u32(z);
        uint8_t f[2] = {static_cast<uint8_t>(facing >> 8), static_cast<uint8_t>(facing)};
        put(f, 2);
    }
    return request(-1);
}

void universe_check_build(uint32_t* minimum, uint32_t* current, int* beta)
{
    *minimum = state.minimum_build;
    *current = state.current_build;
    *beta = state.beta;
}

int universe_login_reply(uint32_t* number, std::string* privilege_name)
{
    *number = state.citizen_number;
    *privilege_name = state.privilege_name;
    return state.login_number ? 1 : 0;
}

int universe_relogin_needed()
{
    return state.relogin_needed ? 1 : 0;
}

void universe_clear_relogin()
{
    state.relogin_needed = false;
}
