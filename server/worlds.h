#pragma once
// The world registry: every world the server knows, where it runs and how
// many people are in it. The universe reads it to answer world lookups and
// the world list; the world servers keep it up to date.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct server_worlds;

struct server_world {
    std::string name;
    std::string title;
    uint16_t port = 0;  // TCP property port and UDP avatar port
    bool running = false;
    int users = 0;
};

server_worlds* server_worlds_create();
void server_worlds_destroy(server_worlds* worlds);

// Adds a stopped world. Returns 0, or 1 when a world of that name (without
// regard to case) exists.
int server_worlds_add(server_worlds* worlds, std::string_view name, std::string_view title,
                      uint16_t port);
// Returns 0, or 1 when there is no such world.
int server_worlds_set_running(server_worlds* worlds, std::string_view name, bool running);
// The port a world listens on, when it was added with port 0 (any free one).
int server_worlds_set_port(server_worlds* worlds, std::string_view name, uint16_t port);
int server_worlds_set_users(server_worlds* worlds, std::string_view name, int users);

// 1 and fills `world` when a world of that name (without regard to case)
// exists, else 0.
int server_worlds_find(const server_worlds* worlds, std::string_view name, server_world* world);
// Every world, and the running worlds, in the order they were added.
std::vector<server_world> server_worlds_list(const server_worlds* worlds);
std::vector<server_world> server_worlds_running(const server_worlds* worlds);

// One line of the worlds file.
struct server_world_config {
    std::string name;
    std::string title;
};
constexpr size_t server_world_name_max = 8;
constexpr size_t server_world_title_max = 63;
constexpr size_t server_worlds_max = 256;

// Reads the worlds file: one world a line, its name (1 to 8 letters and
// digits) and then its title (the rest of the line; the name when empty);
// blank lines and lines starting with "#" are skipped. Returns 0, or the
// number of the first line in error with the reason in `error`.
int server_worlds_parse(std::string_view text, std::vector<server_world_config>* worlds,
                        std::string* error);
