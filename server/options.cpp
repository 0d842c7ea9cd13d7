#include "options.h"

#include <arpa/inet.h>
#include <charconv>
#include <string_view>

#include "data_dir.h"

namespace {

bool read_number(std::string_view text, uint64_t low, uint64_t high, uint64_t* value)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return ec == std::errc() && end == text.data() + text.size() && *value >= low && *value <= high;
}

bool read_ipv4(const std::string& text, uint32_t* address)
{
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        return false;
    *address = ntohl(parsed.s_addr);
    return true;
}

}  // namespace

int server_options_parse(int argc, const char* const* argv, server_options* o, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string name(arg), value;
        bool has_value = false;
        if (size_t equals = arg.find('=');
            arg.starts_with("--") && equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            has_value = true;
        }
        auto next = [&]() {
            if (has_value)
                return true;
            if (i + 1 >= argc) {
                *error = name + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto port = [&](uint16_t* p, uint64_t low) {
            uint64_t n = 0;
            if (!next())
                return false;
            if (!read_number(value, low, 65535, &n)) {
                *error = name + ": not a port number: " + value;
                return false;
            }
            *p = static_cast<uint16_t>(n);
            return true;
        };
        auto number = [&](uint32_t* p, uint64_t high) {
            uint64_t n = 0;
            if (!next())
                return false;
            if (!read_number(value, 0, high, &n)) {
                *error = name + ": not a number from 0 to " + std::to_string(high) + ": " + value;
                return false;
            }
            *p = static_cast<uint32_t>(n);
            return true;
        };
        uint32_t bots = 0, unused = 0;
        if (name == "--help" || name == "-h") {
            o->help = true;
        } else if (name == "--data") {
            if (!next())
                return 1;
            o->data = value;
        } else if (name == "--content") {
            if (!next())
                return 1;
            o->content = value;
        } else if (name == "--listen") {
            if (!next())
                return 1;
            if (!read_ipv4(value, &unused)) {
                *error = "--listen: not an IPv4 address: " + value;
                return 1;
            }
            o->listen = value;
        } else if (name == "--universe-port") {
            if (!port(&o->universe_port, 0))
                return 1;
        } else if (name == "--world-port") {
            if (!port(&o->world_port, 0))
                return 1;
        } else if (name == "--http-port") {
            if (!port(&o->http_port, 0))
                return 1;
        } else if (name == "--bots") {
            if (!number(&bots, 1000))
                return 1;
            o->bots = static_cast<int>(bots);
        } else if (name == "--city") {
            if (!number(&o->city_seed, UINT32_MAX))
                return 1;
            o->city = true;
        } else if (name == "--per-address") {
            if (!number(&o->per_address, 1000))
                return 1;
        } else if (name == "--full") {
            o->full = true;
        } else if (name == "--redirect") {
            if (!next())
                return 1;
            size_t colon = value.rfind(':');
            uint64_t p = 0;
            if (colon == std::string::npos ||
                !read_ipv4(value.substr(0, colon), &o->redirect_address) ||
                !read_number(std::string_view(value).substr(colon + 1), 1, 65535, &p)) {
                *error = "--redirect: not ADDRESS:PORT (an IPv4 address): " + value;
                return 1;
            }
            o->redirect_port = static_cast<uint16_t>(p);
        } else if (name == "--minimum-build") {
            if (!number(&o->minimum_build, UINT32_MAX))
                return 1;
        } else if (name == "--current-build") {
            if (!number(&o->current_build, UINT32_MAX))
                return 1;
        } else {
            *error = "unknown option " + name;
            return 1;
        }
    }
    return 0;
}

std::string server_options_help()
{
    std::string text =
        "usage: vireo-server [options]\n"
        "\n"
        "The reference server of Vireo: a universe (citizens, the world list,\n"
        "telegrams, contacts and join requests) on TCP, the worlds' objects (the\n"
        "property protocol) on each world's TCP port, and an HTTP server for the\n"
        "worlds' art and the help pages. It prints the line\n"
        "\"vireo-server ready\" once it listens, logs to standard error and stops\n"
        "cleanly on SIGINT or SIGTERM.\n"
        "\n"
        "options:\n"
        "  --data DIR            data directory (default: server-data beside the\n"
        "                        program); created when missing, seeded when empty\n"
        "  --listen ADDR         IPv4 address to listen on (default 127.0.0.1); with\n"
        "                        0.0.0.0 clients are sent the address they reached\n"
        "  --universe-port N     universe TCP port (default 5670); 0 picks a free\n"
        "                        port and prints \"universe port N\" on standard error\n"
        "  --world-port N        first world port (default 5671); the worlds of\n"
        "                        worlds.conf take N, N+1, ... in the file's order;\n"
        "                        0 gives each a free port, logged as \"world NAME\n"
        "                        (TITLE) on port N\"\n"
        "  --http-port N         HTTP object server port (default 5680); 0 picks a\n"
        "                        free port and prints \"http port N\" on standard error\n"
        "  --content DIR         the files the HTTP server serves (default: content\n"
        "                        beside the program): DIR/<world>/models, textures,\n"
        "                        avatars, seqs, sounds (a registered model is\n"
        "                        DIR/WORLD/models/NAME.zip); DIR/help for the help\n"
        "                        pages;\n"
        "                        /cgi-bin/teleport?<world>_<coordinates> answers a\n"
        "                        teleport hand-off file\n"
        "  --bots N              scripted bots in the flagship world, 0 to 1000\n"
        "                        (default 0)\n"
        "  --city SEED           run the generated world \"city\" (City) as well, on\n"
        "                        the port after those of worlds.conf: some 14,000\n"
        "                        objects made from SEED (0 to 4294967295) when\n"
        "                        city.db is new (delete city.db to make it again)\n"
        "  --per-address N       connections one address may hold on each port,\n"
        "                        up to 1000 (default 64)\n"
        "  --help                this text\n"
        "\n"
        "Each world's avatars (and the bots) use UDP on the world's port.\n"
        "\n"
        "test switches:\n"
        "  --redirect ADDR:PORT  answer the first request of every connection with a\n"
        "                        redirect to that IPv4 address and port\n"
        "  --full                answer every log-in with \"system full\" (45)\n"
        "  --minimum-build N     minimum build in the log-in reply (default 0)\n"
        "  --current-build N     current build in the log-in reply (default 186)\n"
        "\n"
        "data directory:\n"
        "  worlds.conf   the worlds, one a line: name (1 to 8 letters and digits),\n"
        "                then the title; \"#\" starts a comment line\n"
        "  universe.db   SQLite database: citizens (passwords as salted\n"
        "                PBKDF2-HMAC-SHA-256 hashes), telegrams waiting for\n"
        "                delivery, contact lists\n"
        "  NAME.world    a world's settings: \"key value\" lines (caretakers, build,\n"
        "                enter, restricted-radius, ...; see the README)\n"
        "  NAME.objects  objects placed when the world's database is new\n"
        "  NAME.db       SQLite database: the world's cells and attributes\n"
        "An empty directory is seeded with the worlds \"qo\" (Kestrel) and \"gate\"\n"
        "and these citizens (name / password / privilege password):\n";
    int number = 1;
    for (const server_seed_citizen& c : server_seed_citizens) {
        text += "  " + std::to_string(number++) + " " + c.name + " / " + c.password + " / " +
            (*c.privilege_password ? c.privilege_password : "(none)") + "\n";
    }
    return text;
}
