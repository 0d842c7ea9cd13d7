#pragma once
// The HTTP object server on the event loop: the files of a content
// directory (the worlds' art under <content>/<world>/..., help pages under
// <content>/help/...) by GET and HEAD, with dates for conditional requests,
// and the teleport links under /cgi-bin answered with a hand-off file.
#include <cstddef>
#include <cstdint>
#include <string>

struct server_loop;
struct hs_service;

struct hs_service_options {
    std::string content;  // the content directory
    // Closes a connection whose request head is not complete after this
    // long, that sits idle between requests this long, or whose peer takes
    // no bytes of an answer for this long.
    int head_timeout_ms = 10000;
    int idle_timeout_ms = 15000;
    int send_timeout_ms = 30000;
    // Connections one address may hold at once; 0 keeps the default (64).
    size_t per_address = 0;
};

// Listens on `address` (IPv4, dotted) and `port` (0: any free port).
// Returns 0 or an errno value.
int hs_service_start(server_loop* loop, const char* address, uint16_t port,
                     const hs_service_options& options, hs_service** service);
uint16_t hs_service_port(const hs_service* service);
void hs_service_stop(hs_service* service);
