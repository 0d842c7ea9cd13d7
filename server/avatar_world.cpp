#include "avatar_world.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// A relayed text on its way to one client.
struct pending_text {
    uint8_t sequence = 0;
    std::vector<uint8_t> datagram;
    int64_t sent_at = 0;
    int resends = 0;
};

struct user {
    av_address address;
    av_state state;
    bool bot = false;
    int64_t heard_at = 0;
    // When the user was last considered for a list, and whether a state has
    // come since its last list: one list answers one state, so a single
    // datagram (whose source may be forged) brings back one list at most.
    int64_t listed_at = 0;
    bool stated = false;
    // The sequence of the last relay text taken from this client, so that a
    // repeated datagram is acknowledged again but relayed once.
    bool relayed_any = false;
    uint8_t relayed_sequence = 0;
    // The sequence of the last text relayed to this client; each text it is
    // sent gets the next one, so its duplicate check sees repeats only.
    uint8_t sequence = 0;
    std::deque<pending_text> pending;
};

uint64_t key_of(av_address a)
{
    return static_cast<uint64_t>(a.ip) << 16 | a.port;
}

// Whether `other` can be listed relative to `base`: the list's offsets are
// 16-bit thousandths on every axis.
bool near(const av_state& base, const av_state& other)
{
    constexpr int64_t reach = std::numeric_limits<int16_t>::max();
    return std::llabs(int64_t{other.x} - base.x) <= reach &&
        std::llabs(int64_t{other.y} - base.y) <= reach &&
        std::llabs(int64_t{other.z} - base.z) <= reach;
}

}  // namespace

struct av_world {
    av_world_io io;
    std::unordered_map<uint64_t, user> users;
    size_t clients = 0;
};

namespace {

void send(av_world* w, av_address to, const std::vector<uint8_t>& datagram)
{
    w->io.send(w->io.user, to, datagram.data(), datagram.size());
}

void relay(av_world* w, const user& speaker, std::string_view text, int64_t now)
{
    if (text.find(':') == std::string_view::npos)
        return;
    for (auto& [key, listener] : w->users) {
        if (listener.bot || &listener == &speaker || !near(speaker.state, listener.state))
            continue;
        pending_text p;
        p.sequence = ++listener.sequence;
        p.datagram = av_wire_relayed_text(p.sequence, speaker.address.ip, speaker.address.port,
                                          text);
        p.sent_at = now;
        send(w, listener.address, p.datagram);
        listener.pending.push_back(std::move(p));
        if (listener.pending.size() > av_pending_max)
            listener.pending.pop_front();
    }
}

void send_list(av_world* w, user& to)
{
    std::vector<std::pair<int64_t, const user*>> near_users;
    for (const auto& [key, other] : w->users) {
        if (&other == &to || !near(to.state, other.state))
            continue;
        int64_t dx = int64_t{other.state.x} - to.state.x;
        int64_t dz = int64_t{other.state.z} - to.state.z;
        near_users.emplace_back(dx * dx + dz * dz, &other);
    }
    size_t count = std::min(near_users.size(), av_list_entries_max);
    std::partial_sort(near_users.begin(), near_users.begin() + static_cast<long>(count),
                      near_users.end(),
                      [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<av_list_entry> entries;
    entries.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const user& other = *near_users[i].second;
        av_list_entry e;
        e.address = other.address.ip;
        e.port = other.address.port;
        e.dx = static_cast<int16_t>(other.state.x - to.state.x);
        e.dy = static_cast<int16_t>(other.state.y - to.state.y);
        e.dz = static_cast<int16_t>(other.state.z - to.state.z);
        e.yaw = other.state.yaw;
        e.type = other.state.type;
        e.gesture = other.state.gesture;
        entries.push_back(e);
    }
    send(w, to.address, av_wire_user_list(to.state.x, to.state.y, to.state.z, entries));
}

void resend_due(av_world* w, user& u, int64_t now)
{
    for (auto it = u.pending.begin(); it != u.pending.end();) {
        if (now - it->sent_at <= av_resend_ms) {
            ++it;
            continue;
        }
        if (it->resends >= av_resends_max) {
            it = u.pending.erase(it);
            continue;
        }
        ++it->resends;
        it->sent_at = now;
        send(w, u.address, it->datagram);
        ++it;
    }
}

}  // namespace

av_world* av_world_create(const av_world_io& io)
{
    auto* w = new av_world;
    w->io = io;
    return w;
}

void av_world_destroy(av_world* world)
{
    delete world;
}

void av_world_input(av_world* w, av_address from, const uint8_t* data, size_t size, int64_t now)
{
    av_message m;
    if (av_wire_parse(data, size, &m) != 0)
        return;
    auto it = w->users.find(key_of(from));
    if (it != w->users.end() && it->second.bot)
        return;
    if (m.type == av_type_state) {
        if (it == w->users.end()) {
            if (w->clients >= av_clients_max || !w->io.admitted(w->io.user, from))
                return;
            user u;
            u.address = from;
            // The first list goes out with the next tick.
            u.listed_at = now - av_list_interval_ms;
            it = w->users.emplace(key_of(from), std::move(u)).first;
            ++w->clients;
        }
        it->second.state = m.state;
        it->second.heard_at = now;
        it->second.stated = true;
        return;
    }
    if (it == w->users.end())
        return;
    user& u = it->second;
    u.heard_at = now;
    switch (m.type) {
    case av_type_ack:
        std::erase_if(u.pending, [&](const pending_text& p) { return p.sequence == m.sequence; });
        break;
    case av_type_relay_text:
        if (!w->io.speaker(w->io.user, from))
            break;
        send(w, from, av_wire_ack(m.sequence));
        if (u.relayed_any && u.relayed_sequence == m.sequence)
            break;
        u.relayed_any = true;
        u.relayed_sequence = m.sequence;
        relay(w, u, m.text, now);
        break;
    case av_type_bye:
        w->users.erase(it);
        --w->clients;
        break;
    }
}

void av_world_tick(av_world* w, int64_t now)
{
    w->clients -= std::erase_if(w->users, [now](const auto& entry) {
        return !entry.second.bot && now - entry.second.heard_at > av_silence_ms;
    });
    std::vector<uint64_t> refused;
    for (auto& [key, u] : w->users) {
        if (u.bot)
            continue;
        resend_due(w, u, now);
        if (now - u.listed_at < av_list_interval_ms)
            continue;
        u.listed_at = now;
        if (!w->io.admitted(w->io.user, u.address))
            refused.push_back(key);
        else if (std::exchange(u.stated, false))
            send_list(w, u);
    }
    for (uint64_t key : refused)
        w->users.erase(key);
    w->clients -= refused.size();
}

int av_world_users(const av_world* world)
{
    return static_cast<int>(world->users.size());
}

void av_world_bot_set(av_world* w, av_address bot, const av_state& state)
{
    auto [it, added] = w->users.try_emplace(key_of(bot));
    if (added) {
        it->second.address = bot;
        it->second.bot = true;
    } else if (!it->second.bot) {
        return;
    }
    it->second.state = state;
}

void av_world_bot_say(av_world* w, av_address bot, std::string_view text, int64_t now)
{
    auto it = w->users.find(key_of(bot));
    if (it != w->users.end() && it->second.bot)
        relay(w, it->second, text, now);
}
