#pragma once
// The universe server's messages, decoded once as they arrive into the
// result, the id and the fields that id carries.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One world of the world list.
struct universe_world {
    std::string name;
    uint8_t state = 0;
    uint16_t users = 0;
};

// One contact's state: 0 off line (a name), 1 on line (a name and a world);
// any other state carries neither and means the contact is gone.
struct universe_contact {
    uint32_t number = 0;
    uint8_t state = 0;
    std::string name;
    std::string world;
};

// Which fields are filled depends on the id; those marked (rc 0) only come
// with result 0:
//   0  address, port (rc 0)
//   3  attributes, (tag, value) in order (rc 0)
//   5  minimum_build, current_build, beta (rc 0)
//   6, 20  minimum_build; then each part that the body still reaches
//      into: current_build and beta (has_current_build), number
//      (has_number), privilege_name.
//      Id 6 is the older form of 20 and is reported as 20.
//   8  number; name (rc 0)
//   10 age (seconds), name (the sender), text, more (rc 0)
//   12 name; number (rc 0)
//   13 address; name (rc 0)
//   14 worlds (rc 0)
//   15 contacts (rc 0)
//   16 number, name (rc 0)
//   17 number; world, x, y, z, facing (rc 0)
//   1, 2, 4, 9 nothing but the result
// A message cut short keeps the fields read before the cut, and list
// entries that were whole.
struct universe_message {
    int id = -1;
    int rc = 0;
    uint32_t number = 0;
    uint32_t address = 0;
    uint16_t port = 0;
    std::string name;
    std::string text;
    std::string world;
    std::string privilege_name;
    uint32_t age = 0;
    uint8_t more = 0;
    uint32_t x = 0, y = 0, z = 0;
    uint16_t facing = 0;
    uint32_t minimum_build = 0;
    uint32_t current_build = 0;
    uint8_t beta = 0;
    bool has_current_build = false;
    bool has_number = false;
    std::vector<std::pair<uint8_t, std::string>> attributes;
    std::vector<universe_world> worlds;
    std::vector<universe_contact> contacts;
};

// Decodes a whole message as it came (result code, id, fields); 0 when
// decoded, 1 when it is too short to hold its result and id.
int universe_message_decode(const uint8_t* message, size_t length, universe_message* out);
