#include "universe.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "citizens.h"
#include "clock.h"
#include "contacts.h"
#include "log.h"
#include "net/universe_codes.h"
#include "password_guard.h"
#include "telegrams.h"
#include "universe_wire.h"
#include "validate.h"
#include "worlds.h"

namespace {

constexpr int64_t idle_limit_ms = 5 * 60 * 1000;

// States of a contact in the contact list message.
constexpr uint8_t contact_offline = 0;
constexpr uint8_t contact_online = 1;
constexpr uint8_t contact_unknown = 2;  // no such citizen: the client drops it

// State byte of a world in the world list: running.
constexpr uint8_t world_running = 1;

struct session {
    uint32_t peer = 0;
    uint32_t local = 0;
    std::vector<uint8_t> input;  // an incomplete request
    int64_t last_input = 0;
    bool redirected = false;
    bool logged_in = false;
    uint32_t citizen = 0;  // 0 for a tourist
    uint32_t privilege = 0;  // the citizen whose privileges were acquired
    std::string name;      // the citizen's name
    bool hide_world = false;
    std::string world;         // the world the citizen is in
    uint64_t login_order = 0;  // later log-ins have greater numbers
    uint32_t join_target = 0;  // the citizen this one last asked to join
    int64_t held_until = 0;    // a password check waits until then
};

std::string address_text(uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 255,
                  (address >> 8) & 255, address & 255);
    return text;
}

bool same_text(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

}  // namespace

struct us_universe {
    us_universe_options options;
    const us_store* store;
    const server_worlds* worlds;
    us_universe_io io;
    std::map<int, session> sessions;
    // How many sessions are logged in from each address.
    std::unordered_map<uint32_t, int> logged_in_peers;
    uint64_t logins = 0;
    us_guard* guard = nullptr;
};

namespace {

void send(us_universe* u, int id, us_writer& message)
{
    const std::vector<uint8_t>& bytes = message.finish();
    u->io.send(u->io.user, id, bytes.data(), bytes.size());
}

// The session in which a citizen is logged in, or 0.
int session_of(const us_universe* u, uint32_t citizen)
{
    if (citizen == 0)
        return 0;
    for (const auto& [id, s] : u->sessions) {
        if (s.logged_in && s.citizen == citizen)
            return id;
    }
    return 0;
}

// One entry of the contact list message: number, state, and name (and
// world, empty when hidden) for a citizen that exists.
void put_contact(const us_universe* u, us_writer& message, uint32_t number)
{
    us_citizen citizen;
    message.u32(number);
    if (!us_citizen_find_number(u->store, number, &citizen)) {
        message.byte(contact_unknown);
        return;
    }
    int id = session_of(u, number);
    if (!id) {
        message.byte(contact_offline).text(citizen.name);
        return;
    }
    const session& s = u->sessions.at(id);
    message.byte(contact_online).text(citizen.name).text(s.hide_world ? std::string() : s.world);
}

// Tells every logged-in citizen who lists `citizen` as a contact its state.
void announce(us_universe* u, uint32_t citizen)
{
    if (citizen == 0)
        return;
    for (uint32_t watcher : us_contacts_watchers(u->store, citizen)) {
        if (int id = session_of(u, watcher)) {
            us_writer message(universe::result_ok, universe::message_contacts);
            put_contact(u, message, citizen);
            send(u, id, message);
        }
    }
}

// A session's citizen gives way to another identity; its watchers see it
// go off line.
void log_out(us_universe* u, session& s)
{
    uint32_t citizen = s.citizen;
    s.citizen = 0;
    s.privilege = 0;
    s.name.clear();
    s.world.clear();
    s.join_target = 0;
    announce(u, citizen);
}

void forget(us_universe* u, int id)
{
    auto it = u->sessions.find(id);
    if (it == u->sessions.end())
        return;
    session s = std::move(it->second);
    u->sessions.erase(it);
    if (s.logged_in && --u->logged_in_peers[s.peer] == 0)
        u->logged_in_peers.erase(s.peer);
    if (s.logged_in && s.citizen) {
        server_log("universe: %s (%u) left", s.name.c_str(), s.citizen);
        announce(u, s.citizen);
    }
}

// Checks a password of `citizen` for a session's client, counting and
// logging failures per address and citizen.
bool password_matches(us_universe* u, const session& s, const us_citizen& citizen,
                      bool privilege, std::string_view password)
{
    bool right = privilege
        ? us_citizen_check_privilege_password(u->store, citizen.number, password)
        : us_citizen_check_password(u->store, citizen.number, password);
    if (right) {
        us_guard_passed(u->guard, s.peer, citizen.number);
        return true;
    }
    int count = us_guard_failed(u->guard, s.peer, citizen.number, server_clock_ms());
    server_log("universe: wrong %s for %s (%u) from %s, %d in a row",
               privilege ? "privilege password" : "password", citizen.name.c_str(),
               citizen.number, address_text(s.peer).c_str(), count);
    return false;
}

// How long a request must wait before its passwords may be checked: the
// citizens whose passwords it gives have failed too often from this address.
int64_t password_wait(const us_universe* u, const session& s, const us_request& r)
{
    bool own = r.code == universe::request_login || r.code == universe::request_get_attributes ||
        r.code == universe::request_set_attributes;
    if (!own || r.name.empty())
        return 0;
    int64_t now = server_clock_ms();
    int64_t wait = 0;
    us_citizen citizen;
    if (us_citizen_find_name(u->store, r.name, &citizen))
        wait = us_guard_wait(u->guard, s.peer, citizen.number, now);
    if (r.code == universe::request_login && r.privilege)
        wait = std::max(wait, us_guard_wait(u->guard, s.peer, r.privilege, now));
    return wait;
}

void build_fields(const us_universe* u, us_writer& message)
{
    message.byte(0).u32(u->options.minimum_build).u32(u->options.current_build).byte(0);
}

void handle_login(us_universe* u, int id, session& s, const us_request& r)
{
    auto refuse = [&](uint8_t rc) {
        us_writer message(rc, universe::message_login);
        build_fields(u, message);
        send(u, id, message);
    };
    if (u->options.full)
        return refuse(universe::result_system_full);
    us_citizen citizen;
    if (!r.name.empty()) {
        if (!us_citizen_find_name(u->store, r.name, &citizen))
            return refuse(universe::result_no_such_citizen);
        if (!password_matches(u, s, citizen, false, r.password))
            return refuse(universe::result_wrong_password);
        int other = session_of(u, citizen.number);
        if (other && other != id)
            return refuse(universe::result_already_in);
    }

    uint32_t previous = s.logged_in ? s.citizen : 0;
    if (previous && previous != citizen.number)
        log_out(u, s);
    if (!s.logged_in)
        ++u->logged_in_peers[s.peer];
    s.logged_in = true;
    s.citizen = citizen.number;
    s.name = citizen.name;
    s.hide_world = r.hide_world != 0;
    s.login_order = ++u->logins;
    if (citizen.number)
        server_log("universe: %s (%u) logged in from %s", citizen.name.c_str(), citizen.number,
                   address_text(s.peer).c_str());
    else
        server_log("universe: a tourist logged in from %s", address_text(s.peer).c_str());

    // A privilege application concerns only the privileges; the log-in
    // stands whatever its result.
    uint8_t rc = universe::result_ok;
    us_citizen holder;
    bool applies = citizen.number && r.privilege;
    if (applies) {
        if (!us_citizen_find_number(u->store, r.privilege, &holder))
            rc = universe::result_privilege_no_citizen;
        else if (!password_matches(u, s, holder, true, r.privilege_password))
            rc = universe::result_privilege_password;
    }
    s.privilege = applies && rc == universe::result_ok ? holder.number : 0;
    us_writer message(rc, universe::message_login);
    build_fields(u, message);
    message.u32(citizen.number);
    if (applies && rc != universe::result_privilege_no_citizen)
        message.text(holder.name);
    send(u, id, message);

    if (citizen.number) {
        if (us_telegram_waiting(u->store, citizen.number) > 0) {
            us_writer notice(universe::result_ok, universe::message_telegram_waiting);
            send(u, id, notice);
        }
        announce(u, citizen.number);
    }
}

// The citizen named by a request's own name and password, or the code that
// refuses it.
uint8_t authenticate(us_universe* u, const session& s, const us_request& r, us_citizen* citizen)
{
    if (!us_citizen_find_name(u->store, r.name, citizen))
        return universe::result_no_such_citizen;
    if (!password_matches(u, s, *citizen, false, r.password))
        return universe::result_wrong_password;
    return 0;
}

uint8_t immigrate(const us_universe* u, const us_request& r)
{
    if (uint8_t rc = us_validate_name(r.name))
        return rc;
    if (uint8_t rc = us_validate_password(r.password))
        return rc;
    if (uint8_t rc = us_validate_email(r.email))
        return rc;
    uint32_t number = 0;
    switch (us_citizen_create(u->store, r.name, r.password, r.email, "", &number)) {
    case 0:
        server_log("universe: %s immigrated as citizen %u", r.name.c_str(), number);
        return universe::result_ok;
    case 1:
        return universe::result_name_taken;
    default:
        return us_result_unavailable;
    }
}

uint8_t set_attributes(us_universe* u, const session& s, const us_request& r)
{
    us_citizen citizen;
    if (uint8_t rc = authenticate(u, s, r, &citizen))
        return rc;
    us_citizen_change change;
    for (const auto& [tag, value] : r.attributes) {
        switch (tag) {
        case universe::attribute_name:
            change.name = value;
            break;
        case universe::attribute_password:
            change.password = value;
            break;
        case universe::attribute_email:
            change.email = value;
            break;
        default:
            // The privilege password is never sent back to the client (it
            // is kept as a hash), so an empty one leaves it as it is.
            if (!value.empty())
                change.privilege_password = value;
            break;
        }
    }
    uint8_t rc = 0;
    if (change.name && (rc = us_validate_name(*change.name)))
        return rc;
    if (change.password && (rc = us_validate_password(*change.password)))
        return rc;
    if (change.email && (rc = us_validate_email(*change.email)))
        return rc;
    if (change.privilege_password &&
        (rc = us_validate_privilege_password(*change.privilege_password)))
        return rc;
    switch (us_citizen_update(u->store, citizen.number, change)) {
    case 0:
        break;
    case 1:
        return universe::result_name_taken;
    default:
        return us_result_unavailable;
    }
    if (change.name && *change.name != citizen.name) {
        server_log("universe: %s (%u) is now %s", citizen.name.c_str(), citizen.number,
                   change.name->c_str());
        if (int id = session_of(u, citizen.number)) {
            u->sessions.at(id).name = *change.name;
            announce(u, citizen.number);
        }
    }
    return universe::result_ok;
}

void get_attributes(us_universe* u, int id, const session& s, const us_request& r)
{
    us_citizen citizen;
    uint8_t rc = authenticate(u, s, r, &citizen);
    us_writer message(rc, universe::message_attributes);
    if (rc == 0) {
        message.byte(universe::attribute_email).text(citizen.email);
        message.byte(universe::attribute_privilege_password).text("");
    }
    send(u, id, message);
}

uint8_t send_password(const us_universe* u, const us_request& r)
{
    us_citizen citizen;
    if (!us_citizen_find_name(u->store, r.name, &citizen))
        return universe::result_no_such_citizen;
    if (!same_text(citizen.email, r.email))
        return universe::result_email_mismatch;
    server_log("password for %s would be mailed to %s", citizen.name.c_str(),
               citizen.email.c_str());
    return universe::result_ok;
}

void get_telegram(us_universe* u, int id, const session& s)
{
    us_telegram telegram;
    int more = 0;
    if (!s.citizen || !us_telegram_take(u->store, s.citizen, &telegram, &more))
        return;
    int64_t age = std::clamp<int64_t>(server_clock_seconds() - telegram.sent, 0, UINT32_MAX);
    us_writer message(universe::result_ok, universe::message_telegram);
    message.u32(static_cast<uint32_t>(age)).text(telegram.sender).text(telegram.message);
    message.byte(static_cast<uint8_t>(more));
    send(u, id, message);
}

void send_telegram(us_universe* u, const session& s, const us_request& r)
{
    us_citizen addressee;
    if (!s.citizen || !us_citizen_find_number(u->store, r.number, &addressee))
        return;
    // A full mailbox refuses the telegram; the sender is not told.
    int64_t now = server_clock_seconds();
    if (us_telegram_store(u->store, addressee.number, now, s.name, r.message) != 0)
        return;
    if (int to = session_of(u, addressee.number)) {
        us_writer notice(universe::result_ok, universe::message_telegram_waiting);
        send(u, to, notice);
    }
}

void whos_at(us_universe* u, int id, uint32_t address)
{
    const session* found = nullptr;
    for (const auto& [other, s] : u->sessions) {
        if (s.logged_in && s.citizen && s.peer == address &&
            (!found || s.login_order > found->login_order))
            found = &s;
    }
    us_writer message(found ? universe::result_ok : universe::result_no_such_citizen,
                      universe::message_whos_at);
    message.u32(address);
    if (found)
        message.text(found->name);
    send(u, id, message);
}

void get_worlds(us_universe* u, int id)
{
    us_writer message(universe::result_ok, universe::message_worlds);
    for (const server_world& world : server_worlds_running(u->worlds)) {
        // Name, state byte and user count; the list ends where the message
        // would pass its greatest length.
        size_t entry = 1 + std::min<size_t>(world.name.size(), 255) + 1 + 2;
        if (message.length() + entry > universe::max_message)
            break;
        message.text(world.name).byte(world_running);
        message.u16(static_cast<uint16_t>(std::min(world.users, 65535)));
    }
    send(u, id, message);
}

void contact_list(us_universe* u, int id, const session& s, const us_request& r)
{
    if (!s.citizen)
        return;
    size_t count = std::min<size_t>(r.numbers.size(), us_contact_limit);
    std::vector<uint32_t> numbers(r.numbers.begin(), r.numbers.begin() + static_cast<long>(count));
    std::vector<uint32_t> known;
    us_citizen citizen;
    for (uint32_t number : numbers) {
        if (us_citizen_find_number(u->store, number, &citizen))
            known.push_back(number);
    }
    us_contacts_set(u->store, s.citizen, known);
    us_writer message(universe::result_ok, universe::message_contacts);
    for (uint32_t number : numbers)
        put_contact(u, message, number);
    send(u, id, message);
}

void add_contact(us_universe* u, int id, const session& s, uint32_t number)
{
    us_citizen citizen;
    if (!s.citizen)
        return;
    bool exists = us_citizen_find_number(u->store, number, &citizen);
    // A full list stays as it is; the client learns nothing new.
    if (exists && us_contacts_add(u->store, s.citizen, number) != 0)
        return;
    // The client has put the contact down as off line (or, when there is no
    // such citizen, will drop it): tell it the contact's state.
    us_writer message(universe::result_ok, universe::message_contacts);
    put_contact(u, message, number);
    send(u, id, message);
}

void ask_location(us_universe* u, int id, session& s, uint32_t target)
{
    if (!s.citizen)
        return;
    int to = session_of(u, target);
    if (!to) {
        us_writer message(universe::result_no_such_citizen, universe::message_location);
        message.u32(target);
        send(u, id, message);
        return;
    }
    s.join_target = target;
    us_writer request(universe::result_ok, universe::message_join_request);
    request.u32(s.citizen).text(s.name);
    send(u, to, request);
}

void answer_location(us_universe* u, const session& s, const us_request& r)
{
    // Only an answer to a request that the asker is still waiting for goes on.
    int to = session_of(u, r.number);
    if (!s.citizen || !to || u->sessions.at(to).join_target != s.citizen)
        return;
    u->sessions.at(to).join_target = 0;
    us_writer message(r.answer, universe::message_location);
    message.u32(s.citizen);
    if (r.answer == 0)
        message.text(r.world).u32(r.x).u32(r.y).u32(r.z).u16(r.facing);
    send(u, to, message);
}

void lookup_world(us_universe* u, int id, const session& s, const std::string& name)
{
    server_world world;
    if (!server_worlds_find(u->worlds, name, &world) || !world.running) {
        us_writer message(universe::result_no_such_world, universe::message_world_address);
        send(u, id, message);
        return;
    }
    us_writer message(universe::result_ok, universe::message_world_address);
    message.u32(u->options.world_address ? u->options.world_address : s.local).u16(world.port);
    send(u, id, message);
}

void reply_rc(us_universe* u, int id, uint8_t rc, uint8_t message_id)
{
    us_writer message(rc, message_id);
    send(u, id, message);
}

// Handles one request. Returns false when it has to wait for its password
// check (the session is then held and the request stays unread).
bool handle(us_universe* u, int id, const uint8_t* body, size_t size)
{
    session& s = u->sessions.at(id);
    if (u->options.redirect_port && !s.redirected) {
        s.redirected = true;
        us_writer message(universe::result_ok, universe::message_redirect);
        message.u32(u->options.redirect_address).u16(u->options.redirect_port);
        send(u, id, message);
        return true;
    }
    us_request r;
    if (us_request_decode(body, size, &r) != us_decode_ok)
        return true;
    if (int64_t wait = password_wait(u, s, r)) {
        s.held_until = server_clock_ms() + wait;
        return false;
    }
    // Requests of a citizen's own services need a citizen logged in on this
    // connection; the others are open to anyone.
    switch (r.code) {
    case universe::request_lookup_world:
        lookup_world(u, id, s, r.world);
        break;
    case universe::request_immigrate:
        reply_rc(u, id, immigrate(u, r), universe::message_immigrated);
        break;
    case universe::request_set_attributes:
        reply_rc(u, id, set_attributes(u, s, r), universe::message_attributes_set);
        break;
    case universe::request_get_attributes:
        get_attributes(u, id, s, r);
        break;
    case universe::request_send_password:
        reply_rc(u, id, send_password(u, r), universe::message_password_sent);
        break;
    case universe::request_citizen_name: {
        us_citizen citizen;
        bool found = us_citizen_find_number(u->store, r.number, &citizen);
        us_writer message(found ? universe::result_ok : universe::result_no_such_citizen,
                          universe::message_citizen_name);
        message.u32(r.number);
        if (found)
            message.text(citizen.name);
        send(u, id, message);
        break;
    }
    case universe::request_get_telegram:
        get_telegram(u, id, s);
        break;
    case universe::request_send_telegram:
        send_telegram(u, s, r);
        break;
    case universe::request_citizen_number: {
        // The name goes back as asked: the client matches it with what it
        // asked for.
        us_citizen citizen;
        bool found = us_citizen_find_name(u->store, r.name, &citizen);
        us_writer message(found ? universe::result_ok : universe::result_no_such_citizen,
                          universe::message_citizen_number);
        message.text(r.name);
        if (found)
            message.u32(citizen.number);
        send(u, id, message);
        break;
    }
    case universe::request_whos_at:
        whos_at(u, id, r.address);
        break;
    case universe::request_get_worlds:
        get_worlds(u, id);
        break;
    case universe::request_contact_list:
        contact_list(u, id, s, r);
        break;
    case universe::request_add_contact:
        add_contact(u, id, s, r.number);
        break;
    case universe::request_delete_contact:
        if (s.citizen)
            us_contacts_delete(u->store, s.citizen, r.number);
        break;
    case universe::request_citizen_location:
        ask_location(u, id, s, r.number);
        break;
    case universe::request_location:
        answer_location(u, s, r);
        break;
    case universe::request_login:
        handle_login(u, id, s, r);
        break;
    case universe::request_keep_alive:
        break;
    }
    return true;
}

// Handles a session's whole requests; a partial one waits for its rest, and
// everything waits while the session is held. Returns 0, or 1 when the
// client broke the framing (the session is then forgotten).
int take_requests(us_universe* u, int id)
{
    session& s = u->sessions.at(id);
    if (s.held_until > server_clock_ms())
        return 0;
    s.held_until = 0;
    // A client's request never exceeds 256 bytes, so a length field above
    // 255 (or 0, without even a code) means the stream is not this protocol.
    std::vector<uint8_t> input = std::move(s.input);
    size_t at = 0;
    while (input.size() - at >= 2) {
        size_t length = static_cast<size_t>(input[at]) << 8 | input[at + 1];
        if (length == 0 || length > 255) {
            server_log("universe: bad request length %zu from %s; closing", length,
                       address_text(s.peer).c_str());
            forget(u, id);
            return 1;
        }
        if (input.size() - at - 2 < length || !handle(u, id, input.data() + at + 2, length))
            break;
        at += 2 + length;
    }
    input.erase(input.begin(), input.begin() + static_cast<long>(at));
    u->sessions.at(id).input = std::move(input);
    return 0;
}

}  // namespace

us_universe* us_universe_create(const us_universe_options& options, const us_store* store,
                                const server_worlds* worlds, const us_universe_io& io)
{
    return new us_universe{options, store, worlds, io, {}, {}, 0,
                           us_guard_create(options.password_delay_ms)};
}

void us_universe_destroy(us_universe* universe)
{
    us_guard_destroy(universe->guard);
    delete universe;
}

void us_universe_open(us_universe* u, int id, uint32_t peer, uint32_t local)
{
    forget(u, id);
    session& s = u->sessions[id];
    s.peer = peer;
    s.local = local;
    s.last_input = server_clock_ms();
}

int us_universe_input(us_universe* u, int id, const uint8_t* data, size_t size)
{
    auto it = u->sessions.find(id);
    if (it == u->sessions.end())
        return 1;
    it->second.last_input = server_clock_ms();
    it->second.input.insert(it->second.input.end(), data, data + size);
    return take_requests(u, id);
}

void us_universe_close(us_universe* u, int id)
{
    forget(u, id);
}

void us_universe_expire(us_universe* u)
{
    int64_t now = server_clock_ms();
    std::vector<int> idle;
    for (const auto& [id, s] : u->sessions) {
        if (now - s.last_input >= idle_limit_ms)
            idle.push_back(id);
    }
    for (int id : idle) {
        forget(u, id);
        u->io.close(u->io.user, id);
    }
    us_guard_prune(u->guard, now);
}

void us_universe_resume(us_universe* u)
{
    int64_t now = server_clock_ms();
    std::vector<int> due;
    for (const auto& [id, s] : u->sessions) {
        if (s.held_until != 0 && s.held_until <= now)
            due.push_back(id);
    }
    for (int id : due) {
        if (u->sessions.count(id) && take_requests(u, id) != 0)
            u->io.close(u->io.user, id);
    }
}

void us_universe_enter_world(us_universe* u, int id, std::string_view world)
{
    auto it = u->sessions.find(id);
    if (it == u->sessions.end() || !it->second.logged_in || it->second.world == world)
        return;
    it->second.world = std::string(world);
    announce(u, it->second.citizen);
}

void us_universe_leave_world(us_universe* u, int id, std::string_view world)
{
    auto it = u->sessions.find(id);
    if (it == u->sessions.end() || it->second.world != world)
        return;
    it->second.world.clear();
    announce(u, it->second.citizen);
}

int us_universe_identity_session(const us_universe* u, uint32_t identity, uint32_t address)
{
    if (identity == 0)
        return 0;
    for (const auto& [id, s] : u->sessions) {
        if (s.logged_in && s.peer == address &&
            (s.citizen == identity || s.privilege == identity))
            return id;
    }
    return 0;
}

int us_universe_logged_in_from(const us_universe* u, uint32_t address)
{
    return u->logged_in_peers.count(address) ? 1 : 0;
}
