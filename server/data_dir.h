#pragma once
// The data directory:
//   worlds.conf   the worlds, one a line (see server_worlds_parse)
//   universe.db   citizens, telegrams waiting for delivery, contact lists
//   NAME.world    a world's settings, NAME.objects its seed objects, NAME.db
//                 its cells and attributes (see world_config.h, world_store.h)
// A missing directory is created; an empty one is seeded with the sample
// worlds and the sample citizens.
#include <cstdint>
#include <string>

struct server_worlds;
struct us_store;

// A citizen the seed creates, for tests and demonstrations.
struct server_seed_citizen {
    const char* name;
    const char* password;
    const char* email;
    const char* privilege_password;  // empty: none
};
extern const server_seed_citizen server_seed_citizens[2];

// Creates the directory when missing and writes worlds.conf when it is
// empty. Returns 0 or an errno value; `fresh` is set to 1 when the directory
// was empty (the citizens are seeded once the database is open).
int server_data_prepare(const std::string& directory, int* fresh);
// Creates the sample citizens. Returns 0, or 1 when the store failed.
int server_data_seed_citizens(const us_store* store);
// Reads worlds.conf into the registry, giving the worlds the ports from
// `first_port` on in the file's order (with 0, port 0: any free one); each is marked running once its
// world server listens.
// Returns 0, or 1 after a line on standard error.
int server_data_load_worlds(const std::string& directory, uint16_t first_port,
                            server_worlds* worlds);
// Adds the generated world "city" after the worlds already in the registry,
// on the port after theirs (port 0 when `first_port` is 0), and writes its
// settings, city.world (everybody enters, nobody builds), when missing.
// Returns 0, or 1 after a line on standard error (a world of that name is
// in worlds.conf, no port is left, or the file cannot be written).
int server_data_add_city(const std::string& directory, uint16_t first_port,
                         server_worlds* worlds);
