#pragma once
// The worlds on the network: for every world of the registry a TCP listener
// on its port serving the property protocol, with its store in the data
// directory. A world is marked running in the registry once it listens.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct property_service;
struct server_loop;
struct server_worlds;
struct us_service;

struct property_service_options {
    std::string address = "127.0.0.1";  // IPv4 to listen on
    std::string data;                   // the data directory
    std::string content;                // CONTENT/WORLD/models/MODEL.zip
    uint16_t http_port = 0;             // of the object paths "HOST:PORT/WORLD"
    int write_quiet_ms = 1000;          // property_options
    int idle_timeout_ms = 120000;
    size_t per_address = 0;  // connections of one address per world; 0: 64
    // The world named city_world_name is the generated city: a new
    // database of it is filled with city_objects(city_seed) instead of seed
    // files.
    bool city = false;
    uint32_t city_seed = 0;
};

// Loads each world's settings, opens (and, when new, seeds) its store and
// listens on its port; a world added with port 0 gets a free one, written
// back to the registry. The universe tells which building identities are
// logged in. Returns 0, or 1 after a log line (nothing is left running).
int property_service_start(server_loop* loop, const property_service_options& options,
                           server_worlds* worlds, us_service* universe,
                           property_service** service);
void property_service_stop(property_service* service);

// What the avatar side asks of the world named `world` (property_admits,
// property_speaker); 0 for a world the service does not run.
int property_service_admits(const property_service* service, std::string_view world,
                            uint32_t address);
int property_service_speaker(const property_service* service, std::string_view world,
                             uint32_t address);
