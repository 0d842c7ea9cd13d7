#include "worlds.h"

#include <algorithm>
#include <cctype>

#include "text.h"

struct server_worlds {
    std::vector<server_world> list;
};

namespace {

bool same_name(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                   std::tolower(static_cast<unsigned char>(y));
           });
}

server_world* find(server_worlds* worlds, std::string_view name)
{
    for (server_world& world : worlds->list) {
        if (same_name(world.name, name))
            return &world;
    }
    return nullptr;
}

}  // namespace

server_worlds* server_worlds_create()
{
    return new server_worlds;
}

void server_worlds_destroy(server_worlds* worlds)
{
    delete worlds;
}

int server_worlds_add(server_worlds* worlds, std::string_view name, std::string_view title,
                      uint16_t port)
{
    if (find(worlds, name))
        return 1;
    worlds->list.push_back(server_world{std::string(name), std::string(title), port, false, 0});
    return 0;
}

int server_worlds_set_running(server_worlds* worlds, std::string_view name, bool running)
{
    server_world* world = find(worlds, name);
    if (!world)
        return 1;
    world->running = running;
    return 0;
}

int server_worlds_set_port(server_worlds* worlds, std::string_view name, uint16_t port)
{
    server_world* world = find(worlds, name);
    if (!world)
        return 1;
    world->port = port;
    return 0;
}

int server_worlds_set_users(server_worlds* worlds, std::string_view name, int users)
{
    server_world* world = find(worlds, name);
    if (!world)
        return 1;
    world->users = std::max(users, 0);
    return 0;
}

int server_worlds_find(const server_worlds* worlds, std::string_view name, server_world* world)
{
    const server_world* found = find(const_cast<server_worlds*>(worlds), name);
    if (!found)
        return 0;
    *world = *found;
    return 1;
}

std::vector<server_world> server_worlds_list(const server_worlds* worlds)
{
    return worlds->list;
}

std::vector<server_world> server_worlds_running(const server_worlds* worlds)
{
    std::vector<server_world> running;
    for (const server_world& world : worlds->list) {
        if (world.running)
            running.push_back(world);
    }
    return running;
}

int server_worlds_parse(std::string_view text, std::vector<server_world_config>* worlds,
                        std::string* error)
{
    worlds->clear();
    return server_text_each_line(text, [&](std::string_view line) {
        line = server_text_trim(line);
        size_t blank = line.find_first_of(" \t");
        std::string_view name = line.substr(0, blank);
        std::string_view title = blank == std::string_view::npos ? name : server_text_trim(line.substr(blank));
        bool letters_and_digits = std::all_of(name.begin(), name.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0;
        });
        if (name.size() > server_world_name_max || !letters_and_digits) {
            *error = "a world's name is 1 to 8 letters and digits";
            return false;
        }
        if (title.size() > server_world_title_max) {
            *error = "a world's title is at most 63 characters";
            return false;
        }
        if (std::any_of(worlds->begin(), worlds->end(),
                        [&](const server_world_config& w) { return same_name(w.name, name); })) {
            *error = "this world is named twice";
            return false;
        }
        if (worlds->size() == server_worlds_max) {
            *error = "too many worlds";
            return false;
        }
        worlds->push_back(server_world_config{std::string(name), std::string(title)});
        return true;
    });
}
