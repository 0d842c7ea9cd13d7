#include "world/prop.h"

#include <cmath>
#include <cstring>
#include <deque>
#include <memory>
#include <new>

#include "app/meter.h"
#include "app/status.h"
#include "base/log.h"
#include "base/msg.h"
#include "base/profile.h"
#include "base/tick.h"
#include "net/citizen.h"
#include "net/login.h"
#include "net/socket.h"
#include "people/console.h"
#include "presence/self.h"
#include "world/cell.h"
#include "world/element.h"
#include "world/visible.h"
#include "world/world.h"

namespace {

constexpr size_t body_capacity = 1024;
// A reply this long may not have held everything the server had to send.
constexpr size_t full_reply = 4096;
constexpr uint32_t connect_interval_ms = 45001;
constexpr uint32_t query_interval_ms = 30001;
constexpr int pane_weight = 25;
constexpr int menu_item = 133;
constexpr int msg_inspector = 125;

enum request_type {
    type_add = 0,
    type_eject = 1,
    type_delete = 2,
    type_query = 3,
    type_options_read = 5,
    type_options_write = 6,
    type_change = 7,
};

enum record_type {
    record_cell_begin = 0,
    record_cell_end = 1,
    record_element = 2,
    record_element_gone = 3,
    record_sector_stamp = 4,
};

enum status_code {
    status_ok = 0,
    status_identity_rejected = 12,
    status_ejected = 15,
    status_stamp_refused = 201,
};

// The steps of the request at the head of the queue.
enum step {
    step_send = 1,
    step_length = 2,
    step_body = 3,
    step_refresh = 4,
    step_finished = 5,
};

// One queued request: its body as it goes on the wire, the cells to reload
// when it fails and whoever hears its reply.
struct request {
    int cell_count = 0;
    int cx[2] = {};
    int cz[2] = {};
    prop_options_callback options = nullptr;
    prop_eject_callback eject = nullptr;
    size_t length = 0;
    uint8_t body[body_capacity];

    int type() const { return body[0]; }
    void u8(int v) { body[length++] = static_cast<uint8_t>(v); }
    void u16(int v)
    {
        u8(v >> 8);
        u8(v);
    }
    void u32(uint32_t v)
    {
        u16(static_cast<int>(v >> 16));
        u16(static_cast<int>(v & 0xffff));
    }
    // Four bytes copied as they are kept in memory (sector time stamps).
    void raw4(uint32_t v)
    {
        std::memcpy(body + length, &v, 4);
        length += 4;
    }
    void text(const char* t, size_t n)
    {
        std::memcpy(body + length, t, n);
        length += n;
    }
    void cell(int x, int z)
    {
        cx[cell_count] = x;
        cz[cell_count] = z;
        ++cell_count;
    }
};

struct prop_state {
    std::deque<std::unique_ptr<request>> queue;
    tcp_connection* connection = nullptr;
    uint32_t address = 0;
    uint16_t port = 0;
    int step = step_send;
    std::unique_ptr<uint8_t[]> reply;
    size_t expected = 0;
    size_t received = 0;
    bool attempted = false;
    uint32_t attempt_at = 0;
    bool queried = false;
    uint32_t query_at = 0;
    int query_sx = 0, query_sz = 0;
    bool outstanding = false;
    int queries_sent = 0;
    status_pane* pane = nullptr;
};

prop_state state;

void pane(const char* text)
{
    if (state.pane)
        status_change(state.pane, text);
}

int16_t s16(const uint8_t* p)
{
    return static_cast<int16_t>(p[0] << 8 | p[1]);
}

uint32_t u32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Tenths of a degree, rounded half away from zero, within one turn (a
// negative heading stays negative).
int yaw_tenths(float yaw)
{
    return static_cast<int>(std::lround(static_cast<double>(yaw) * 10.0) % 3600);
}

// A world coordinate in thousandths of a unit, rounded half away from zero.
uint32_t thousandths(double f)
{
    return static_cast<uint32_t>(static_cast<int32_t>(std::lround(f * 1000.0)));
}

size_t text_length(const char* t)
{
    size_t n = std::strlen(t);
    return n > 255 ? 255 : n;
}

uint32_t sector_stamp_at(double x, double z)
{
    return cell_sector_timestamp(sector_from_world(x), sector_from_world(z));
}

std::unique_ptr<request> make(int type)
{
    std::unique_ptr<request> r(new (std::nothrow) request);
    if (r)
        r->u8(type);
    return r;
}

int enqueue(std::unique_ptr<request> r)
{
    if (!r)
        return 1;
    state.queue.push_back(std::move(r));
    return 0;
}

// The element's model name, description and action, with their lengths.
void put_texts(request& r, const element* e)
{
    const char* texts[3] = {element_model_name(e), element_description(e), element_action(e)};
    size_t lengths[3];
    for (int i = 0; i < 3; ++i) {
        lengths[i] = text_length(texts[i]);
        r.u8(static_cast<int>(lengths[i]));
    }
    for (int i = 0; i < 3; ++i)
        r.text(texts[i], lengths[i]);
}

void put_position(request& r, const element* e)
{
    r.u32(thousandths(element_x(e)));
    r.u32(thousandths(element_y(e)));
    r.u32(thousandths(element_z(e)));
}

void open_connection()
{
    state.attempted = true;
    state.attempt_at = tick_get();
    int rc = tcp_connect(state.address, state.port, &state.connection);
    if (rc != socket_ok)
        state.connection = nullptr;
    if (log_trace())
        log_write("prop: connect: %d", rc);
}

void close_connection()
{
    tcp_close(state.connection);
    state.connection = nullptr;
}

// Drops the connection and opens a new one at once; when that fails the
// connection stays closed until the next attempt is due.
void reconnect()
{
    if (log_trace())
        log_write("prop: reconnect");
    pane(msg_format("Waiting for server"));
    close_connection();
    open_connection();
}

const char* status_text(int code)
{
    switch (code) {
    case 3: return "You are only allowed to change your own property";
    case 11: return "You are not allowed to give your property away";
    case 100: return "You are not allowed to encroach into anothers' property";
    case 102: return "You are only allowed to demolish your own property";
    case 103: return "Try building somewhere else because this area is full";
    case 106: return "Only registered objects can be used for construction";
    case 109: return "This object's behavior is illegal";
    case 110: return "Sorry, you are not allowed to build in this world.";
    case 111: return "Sorry, you cannot build beyond this point.";
    case 113: return "You are not allowed to build with 'z' objects";
    case 114:
        return msg_format("You are not allowed to build within %s meters of ground zero",
                          world_attribute(15));
    default:
        return msg_format("Your construction request could not be processed (reason %d)", code);
    }
}

bool silent_failure(int code)
{
    return code == 101 || code == 200 || code == status_stamp_refused;
}

// The server no longer knows the identity: log in again and send the same
// request once more.
void identity_rejected()
{
    if (log_trace())
        log_write("prop: identity rejected");
    reconnect();
    pane(msg_format("Identity rejected"));
    universe_relogin();
    state.step = step_send;
}

int options_code(int status)
{
    switch (status) {
    case 7: return 1;
    case 14: return 2;
    case 15: return 3;
    default: return status;
    }
}

// Handles the whole reply of the request at the head of the queue. What it
// calls may reset the connection state, so the reply is taken over first and
// nothing is touched after such a call.
void handle_reply(request& r)
{
    std::unique_ptr<uint8_t[]> reply = std::move(state.reply);
    const uint8_t* data = reply.get();
    size_t length = state.expected;
    if (length > full_reply)
        state.queried = false;
    int first = data[0];
    if (first == status_identity_rejected) {
        identity_rejected();
        return;
    }
    if (r.type() == type_options_read) {
        state.step = step_finished;
        if (!r.options)
            return;
        if (length == 1)
            r.options(nullptr, 0, options_code(first));
        else
            r.options(data, length, 0);
        return;
    }
    if (first == status_ejected) {
        if (log_trace())
            log_write("prop: ejected");
        world_ejected();
        return;
    }
    if (r.type() == type_eject) {
        state.step = step_finished;
        if (r.eject)
            r.eject(first);
        return;
    }
    int status = prop_reply_apply(data, length);
    if (log_trace())
        log_write("prop: reply of %d bytes: status %d", static_cast<int>(length), status);
    if (status == status_ok) {
        state.step = step_finished;
    } else {
        if (!silent_failure(status))
            console_print(console_inspector, "%s: %s", msg(msg_inspector), status_text(status));
        state.step = step_refresh;
    }
}

// Advances the request at the head of the queue by one step.
void advance()
{
    request& r = *state.queue.front();
    switch (state.step) {
    case step_send: {
        int rc = tcp_send(state.connection, r.body, r.length);
        if (rc == socket_ok) {
            if (r.type() == type_query)
                ++state.queries_sent;
            state.step = step_length;
        } else if (rc != socket_connecting) {
            // A connection that was never made counts as a failed attempt:
            // the next one waits its turn.
            if (tcp_writable(state.connection)) {
                reconnect();
            } else {
                pane(msg_format("Waiting for server"));
                close_connection();
            }
        }
        break;
    }
    case step_length: {
        uint8_t bytes[2];
        size_t got = 0;
        int rc = tcp_receive(state.connection, bytes, 2, &got);
        if (rc != socket_ok) {
            reconnect();
            state.step = step_send;
        } else if (got == 1) {
            reconnect();
            state.step = step_refresh;
        } else if (got == 2) {
            state.expected = static_cast<size_t>(bytes[0] << 8 | bytes[1]);
            if (state.expected == 0) {
                // An empty reply: the hearer may reset everything, so the
                // step is set before it is called.
                state.step = step_finished;
                if (r.type() == type_options_read && r.options)
                    r.options(nullptr, 0, 0);
                else if (r.type() == type_eject && r.eject)
                    r.eject(0);
                break;
            }
            state.reply.reset(new (std::nothrow) uint8_t[state.expected]);
            if (!state.reply) {
                pane(msg_format("Unable to allocate reply buffer"));
                state.step = step_refresh;
                break;
            }
            state.received = 0;
            state.step = step_body;
        }
        break;
    }
    case step_body: {
        size_t expected = state.expected;
        while (state.received < expected) {
            size_t got = 0;
            int rc = tcp_receive(state.connection, state.reply.get() + state.received,
                                 expected - state.received, &got);
            if (rc != socket_ok) {
                reconnect();
                state.reply.reset();
                state.step = step_send;
                return;
            }
            if (got == 0)
                break;
            state.received += got;
        }
        if (r.type() == type_query)
            pane(msg_format("received %ld of %ld", static_cast<long>(state.received),
                            static_cast<long>(expected)));
        if (state.received == expected)
            handle_reply(r);
        break;
    }
    case step_refresh:
        for (int i = 0; i < r.cell_count; ++i)
            visible_invalidate(r.cx[i], r.cz[i]);
        state.step = step_finished;
        [[fallthrough]];
    case step_finished:
        if (r.type() == type_query) {
            state.outstanding = false;
            pane("");
        }
        state.queue.pop_front();
        state.step = step_send;
        break;
    }
}

// Queues a query for the viewer's sector when it changed or the last one
// is old enough, unless one is under way or the world is not ready.
void query_sector()
{
    if (state.outstanding || !world_entered() || world_attributes_pending())
        return;
    double x, y, z;
    float yaw;
    self_position(&x, &y, &z, &yaw);
    int sx = sector_from_world(x);
    int sz = sector_from_world(z);
    uint32_t now = tick_get();
    if (state.queried && sx == state.query_sx && sz == state.query_sz &&
        now - state.query_at < query_interval_ms)
        return;
    state.query_sx = sx;
    state.query_sz = sz;
    if (prop_query(sx, sz) != 0)
        return;
    state.outstanding = true;
    state.queried = true;
    state.query_at = now;
}

}  // namespace

void prop_init()
{
    if (log_trace())
        log_write("prop_init");
    if (profile_int("show", "cache") != 0)
        prop_toggle_cache();
}

void prop_update()
{
    uint32_t address = 0;
    uint16_t port = 0;
    if (!world_server(&address, &port)) {
        state.queried = false;
        return;
    }
    state.address = address;
    state.port = port;
    if (!state.connection) {
        if (!state.attempted || tick_get() - state.attempt_at >= connect_interval_ms)
            open_connection();
        if (!state.connection)
            return;
    }
    query_sector();
    if (!state.queue.empty())
        advance();
}

void prop_term()
{
    if (log_trace())
        log_write("prop_term");
    prop_reset();
    if (state.pane)
        status_remove(state.pane);
    state.pane = nullptr;
}

void prop_reset()
{
    if (log_trace())
        log_write("prop_reset");
    close_connection();
    state.attempted = false;
    state.queried = false;
    state.outstanding = false;
    state.reply.reset();
    state.queue.clear();
    state.step = step_send;
    pane("");
}

void prop_toggle_cache()
{
    meter_toggle(&state.pane, pane_weight, menu_item, "cache");
}

int prop_add(const element* e)
{
    if (log_trace())
        log_write("prop_add (%d)", element_number(e));
    auto r = make(type_add);
    if (!r)
        return 1;
    r->u8(0);
    r->u16(yaw_tenths(element_yaw(e)));
    r->raw4(sector_stamp_at(element_x(e), element_z(e)));
    r->u32(citizen_building_number());
    put_position(*r, e);
    put_texts(*r, e);
    r->cell(cell_from_world(element_x(e)), cell_from_world(element_z(e)));
    return enqueue(std::move(r));
}

int prop_change(int old_cx, int old_cz, const element* e)
{
    if (log_trace())
        log_write("prop_change (%d, %d, %d)", old_cx, old_cz, element_number(e));
    auto r = make(type_change);
    if (!r)
        return 1;
    r->u8(element_number(e));
    r->u16(yaw_tenths(element_yaw(e)));
    r->raw4(sector_stamp_at(element_x(e), element_z(e)));
    r->u32(citizen_building_number());
    r->u32(element_owner(e));
    put_position(*r, e);
    r->u16(old_cx);
    r->u16(old_cz);
    put_texts(*r, e);
    r->cell(old_cx, old_cz);
    int cx = cell_from_world(element_x(e));
    int cz = cell_from_world(element_z(e));
    if (cx != old_cx || cz != old_cz)
        r->cell(cx, cz);
    return enqueue(std::move(r));
}

int prop_delete(int cx, int cz, int number)
{
    if (log_trace())
        log_write("prop_delete (%d, %d, %d)", cx, cz, number);
    auto r = make(type_delete);
    if (!r)
        return 1;
    r->u8(number);
    r->u16(0);
    r->u16(cx);
    r->u16(cz);
    r->raw4(cell_sector_timestamp(sector_from_cell(cx), sector_from_cell(cz)));
    r->u32(citizen_building_number());
    r->cell(cx, cz);
    return enqueue(std::move(r));
}

int prop_query(int sx, int sz)
{
    if (log_trace())
        log_write("prop_query (%d, %d)", sx, sz);
    auto r = make(type_query);
    if (!r)
        return 1;
    r->u8(0);
    r->u16(0);
    r->u16(sx);
    r->u16(sz);
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dx = -1; dx <= 1; ++dx)
            r->raw4(cell_sector_timestamp(sx + dx, sz + dz));
    }
    r->u32(citizen_building_number());
    return enqueue(std::move(r));
}

int prop_options_read(prop_options_callback callback)
{
    if (log_trace())
        log_write("prop_options_read");
    auto r = make(type_options_read);
    if (!r)
        return 1;
    r->u8(0);
    r->u16(0);
    r->u32(citizen_building_number());
    r->options = callback;
    return enqueue(std::move(r));
}

int prop_options_write(const uint8_t* data, size_t length)
{
    if (log_trace())
        log_write("prop_options_write (%d)", static_cast<int>(length));
    if (8 + length > body_capacity) {
        log_write("prop_options_write: %d bytes do not fit a request", static_cast<int>(length));
        return 1;
    }
    auto r = make(type_options_write);
    if (!r)
        return 1;
    r->u8(0);
    r->u16(0);
    r->u32(citizen_building_number());
    r->text(reinterpret_cast<const char*>(data), length);
    return enqueue(std::move(r));
}

int prop_eject(uint32_t target, uint32_t seconds, prop_eject_callback callback)
{
    if (log_trace())
        log_write("prop_eject (%u, %u)", target, seconds);
    auto r = make(type_eject);
    if (!r)
        return 1;
    r->u32(citizen_building_number());
    // The avatar layer's identifier goes least significant byte first.
    for (int i = 0; i < 4; ++i)
        r->u8(static_cast<int>(target >> (8 * i)));
    r->u32(seconds);
    r->eject = callback;
    return enqueue(std::move(r));
}

int prop_query_outstanding()
{
    return state.outstanding ? 1 : 0;
}

int prop_queries_sent()
{
    return state.queries_sent;
}

int prop_pending()
{
    return static_cast<int>(state.queue.size());
}

int prop_reply_apply(const uint8_t* data, size_t length)
{
    if (length == 0)
        return status_ok;
    if (data[0] == status_identity_rejected || data[0] == status_ejected || length == 1)
        return data[0];
    // Element records only count inside a cell the stream has opened.
    bool in_cell = false;
    int cx = 0, cz = 0;
    size_t at = 0;
    while (at < length) {
        const uint8_t* p = data + at + 1;
        size_t left = length - at - 1;
        switch (data[at]) {
        case record_cell_begin:
            if (left < 4)
                return status_ok;
            cx = s16(p);
            cz = s16(p + 2);
            cell_update_begin(cx, cz);
            in_cell = true;
            at += 5;
            break;
        case record_cell_end:
            if (in_cell) {
                cell_update_end();
                visible_invalidate(cx, cz);
            }
            in_cell = false;
            at += 1;
            break;
        case record_element: {
            if (left < 20)
                return status_ok;
            size_t total = 20 + p[17] + p[18] + p[19];
            if (left < total)
                return status_ok;
            at += 1 + total;
            if (!in_cell)
                break;
            int number = static_cast<int8_t>(p[0]);
            const char* model = reinterpret_cast<const char*>(p + 20);
            const char* description = model + p[17];
            const char* action = description + p[18];
            cell_element_delete(number);
            // A cell that would pass its capacity refuses the element (the
            // cell store logs it); the stream goes on.
            if (!cell_element_add(number, u32(p + 1), u32(p + 5), s16(p + 9), s16(p + 11),
                                  s16(p + 13), s16(p + 15), model, p[17], description, p[18],
                                  action, p[19]) &&
                log_trace())
                log_write("prop: element %d of cell (%d, %d) refused", number, cx, cz);
            break;
        }
        case record_element_gone:
            if (left < 1)
                return status_ok;
            if (in_cell)
                cell_element_delete(static_cast<int8_t>(p[0]));
            at += 2;
            break;
        case record_sector_stamp: {
            if (left < 8)
                return status_ok;
            uint32_t stamp;
            std::memcpy(&stamp, p + 4, 4);
            if (!cell_sector_set_timestamp(s16(p), s16(p + 2), stamp))
                return status_stamp_refused;
            at += 9;
            break;
        }
        default:
            return status_ok;
        }
    }
    return status_ok;
}

int prop_request_at(int index, prop_request_view* view)
{
    if (index < 0 || static_cast<size_t>(index) >= state.queue.size())
        return 0;
    const request& r = *state.queue[static_cast<size_t>(index)];
    view->body = r.body;
    view->length = r.length;
    view->cell_count = r.cell_count;
    for (int i = 0; i < 2; ++i) {
        view->cx[i] = r.cx[i];
        view->cz[i] = r.cz[i];
    }
    return 1;
}
