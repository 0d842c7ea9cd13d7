#pragma once
// The worlds' avatar ports on the network: one UDP socket per running world
// on the world's port, its datagrams fed to the world's av_world, the bots
// of the flagship world moved on, and each world's user count kept in the
// registry.
#include <cstdint>
#include <string_view>

struct av_service;
struct property_service;
struct server_loop;
struct server_worlds;

// Binds the UDP port of every running world of `worlds` on `address` (IPv4,
// dotted; a world registered on port 0 gets any free port) and serves them
// on `loop`. The worlds' property service tells which clients are admitted
// and which are public speakers. `bots` bots (0 to 1000) walk in the first
// world. Returns 0 or the errno value of the socket that failed.
int av_service_start(server_loop* loop, const char* address, server_worlds* worlds,
                     const property_service* properties, int bots, av_service** service);
// The UDP port a world's avatars use, or 0 when the service has no such
// world.
uint16_t av_service_port(const av_service* service, std::string_view world);
void av_service_stop(av_service* service);
