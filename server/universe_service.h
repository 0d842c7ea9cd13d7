#pragma once
// The universe on the network: a TCP listener on the event loop whose
// connections are the universe's sessions.
#include <cstdint>
#include <string_view>

#include "universe.h"

struct server_loop;
struct us_service;

// Listens on `address` (IPv4, dotted) and `port` (0: any free port) and
// serves the universe there. Returns 0 or an errno value.
int us_service_start(server_loop* loop, const char* address, uint16_t port,
                     const us_universe_options& options, const us_store* store,
                     const server_worlds* worlds, us_service** service);
uint16_t us_service_port(const us_service* service);
void us_service_stop(us_service* service);
// What the worlds ask of the universe and tell it (universe.h).
int us_service_identity_session(const us_service* service, uint32_t identity, uint32_t address);
int us_service_logged_in_from(const us_service* service, uint32_t address);
void us_service_enter_world(us_service* service, int session, std::string_view world);
void us_service_leave_world(us_service* service, int session, std::string_view world);
