#pragma once
// One world's property service without its sockets: connections, the
// requests they send and the replies. Bytes go in through property_input;
// replies go out through the io callbacks. The world's rules are enforced
// here: rights lists, ownership, the restricted radius, full cells,
// registered and special objects, special actions and ejections.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "world_config.h"

struct property_world;
struct world_store;

struct property_options {
    std::string name;    // the world's name
    std::string title;   // its title in worlds.conf
    world_settings settings;
    // Models must exist as CONTENT/NAME/models/MODEL.zip (MODEL without its
    // extension).
    std::string content;
    // The default object path is "HOST:PORT/NAME"; with an empty host or
    // 0.0.0.0 the host is the address the client reached.
    std::string object_host;
    uint16_t http_port = 0;
    // A world-option write is taken as complete once no byte has come for
    // this long (it has no length field); a connection silent for
    // `idle_timeout_ms` is closed (a client in the world queries every 30 s).
    int write_quiet_ms = 1000;
    int idle_timeout_ms = 120000;
};

struct property_io {
    void* user = nullptr;
    // One whole reply for a connection.
    void (*send)(void* user, int connection, const uint8_t* data, size_t size) = nullptr;
    // The universe session logged in from `address` that builds as
    // `identity` (as that citizen or with its privileges); 0 when there is
    // none.
    int (*identity_session)(void* user, uint32_t identity, uint32_t address) = nullptr;
    // The client of a universe session builds in the world (`in` 1), or its
    // last connection that did has closed (0).
    void (*presence)(void* user, int session, int in) = nullptr;
    // 1 when someone is logged in to the universe from `address`, else 0.
    int (*logged_in_from)(void* user, uint32_t address) = nullptr;
    // The server ends a connection (silent too long, or a write that turned
    // out to be no request).
    void (*close)(void* user, int connection) = nullptr;
};

// The store stays the caller's and must outlive the world.
property_world* property_create(const property_options& options, world_store* store,
                                const property_io& io);
void property_destroy(property_world* world);

// A client connected from `peer`, reaching the server on `local` (IPv4, host
// order). Connection numbers are the caller's.
void property_open(property_world* world, int connection, uint32_t peer, uint32_t local);
// Bytes from a client, in any pieces. Returns 0, or 1 when they are no
// request: the caller closes the connection.
int property_input(property_world* world, int connection, const uint8_t* data, size_t size);
void property_close(property_world* world, int connection);
// Takes the world-option writes that have been quiet long enough and
// closes (through io.close) the connections silent too long. Called often
// (every 100 ms or so).
void property_tick(property_world* world);

// 1 when a client at `address` may take part in the world's avatars: the
// world has not ejected the address, and it is logged in to the universe
// or has a connection to this world open. Else 0.
int property_admits(const property_world* world, uint32_t address);
// 1 when a client at `address` builds in the world, under an identity still
// logged in from there, as one of its public speakers (caretakers are
// speakers too). Else 0.
int property_speaker(const property_world* world, uint32_t address);

// Places objects as the seed of a new world, in order (owner, position and
// texts as given; each takes its cell's next free number), and stores them
// in one transaction, so that thousands of them take one write of the
// database rather than one each. An object for which its cell has no room
// is left out. Returns how many were placed, or -1 when the store failed
// (nothing is placed then).
int property_seed(property_world* world, const std::vector<world_seed_object>& objects);
