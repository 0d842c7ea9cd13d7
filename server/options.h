#pragma once
// vireo-server's command line.
#include <cstdint>
#include <string>

struct server_options {
    std::string data;  // empty: "server-data" beside the executable
    std::string listen = "127.0.0.1";
    uint16_t universe_port = 5670;  // 0: any free port
    uint16_t world_port = 5671;
    uint16_t http_port = 5680;  // 0: any free port
    std::string content;        // empty: "content" beside the executable
    int bots = 0;
    // Runs the generated world "city" as well, made from this seed.
    bool city = false;
    uint32_t city_seed = 0;
    // Connections one address may hold on each port; 0 keeps the default.
    uint32_t per_address = 0;
    // Test switches.
    bool full = false;
    uint32_t redirect_address = 0;  // IPv4, host order
    uint16_t redirect_port = 0;     // 0: no redirect
    uint32_t minimum_build = 0;
    uint32_t current_build = 186;
    bool help = false;
};

// Reads the arguments (argv[0] is the program). Options take their value as
// the next argument or after "=". Returns 0, or 1 with the reason in `error`.
int server_options_parse(int argc, const char* const* argv, server_options* options,
                         std::string* error);
// The text of --help.
std::string server_options_help();
