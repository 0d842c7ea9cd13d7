#pragma once
// The people of one world as its avatar port sees them: who is there (each
// client by the IPv4 address and UDP port its datagrams come from, and the
// bots the server runs itself), where they stand, what they wear and do.
// Datagrams go in through av_world_input; every client gets a list of the
// users near it about once a second from av_world_tick; relayed texts reach
// the clients near the speaker and are sent again until acknowledged.
// Everything the world sends goes out through the io callback, so tests and
// the fuzz target drive it without sockets. Times are milliseconds of the
// caller's clock.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "avatar_wire.h"

struct av_world;

struct av_address {
    uint32_t ip = 0;  // IPv4, host order
    uint16_t port = 0;
};

struct av_world_io {
    void* user = nullptr;
    void (*send)(void* user, av_address to, const uint8_t* data, size_t size) = nullptr;
    // 1 when the client at `from` may be a user of the world: the server
    // knows its address and the world has not ejected it. Asked when it
    // first sends its state and before each of its lists; a user no longer
    // admitted is dropped.
    int (*admitted)(void* user, av_address from) = nullptr;
    // 1 when the texts of the client at `from` are relayed: it is a public
    // speaker of the world.
    int (*speaker)(void* user, av_address from) = nullptr;
};

// How often a client gets its user list at most; each list answers a state
// message received since the last one.
constexpr int64_t av_list_interval_ms = 1000;
// A client that has sent nothing for this long has left.
constexpr int64_t av_silence_ms = 10000;
// A relayed text not yet acknowledged goes again after this time, at most
// av_resends_max times.
constexpr int64_t av_resend_ms = 4000;
constexpr int av_resends_max = 10;
// Relayed texts waiting for one client's acknowledgement; beyond this the
// oldest is given up.
constexpr size_t av_pending_max = 8;
// Clients one world keeps; state messages from further addresses are
// ignored.
constexpr size_t av_clients_max = 4096;

av_world* av_world_create(const av_world_io& io);
void av_world_destroy(av_world* world);

// One datagram from a client. A state message makes an admitted client a
// user of the world (or updates it); acknowledgements, relay texts and byes
// count only from users, relay texts only from speakers; datagrams from a
// bot's address are ignored.
void av_world_input(av_world* world, av_address from, const uint8_t* data, size_t size,
                    int64_t now);
// Drops silent clients and those no longer admitted, sends again the
// relayed texts that are due and the user lists that are due.
void av_world_tick(av_world* world, int64_t now);
// The users of the world: clients and bots.
int av_world_users(const av_world* world);

// Bots: users that live in the server. Nothing is sent to them and they
// never fall silent. Sets a bot's state, adding the bot when it is new.
void av_world_bot_set(av_world* world, av_address bot, const av_state& state);
// Relays a text ("name: message") from a bot to the clients near it.
void av_world_bot_say(av_world* world, av_address bot, std::string_view text, int64_t now);
