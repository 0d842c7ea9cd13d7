#pragma once
// TCP listeners and their connections on the event loop: accepting,
// non-blocking reads handed to the owner, and queued writes. Each
// connection has a number of its own (never reused while the stream lives).
#include <cstddef>
#include <cstdint>

struct server_loop;
struct server_stream;

struct server_stream_callbacks {
    void* user = nullptr;
    // A connection was accepted; addresses are IPv4 in host order.
    void (*opened)(void* user, int connection, uint32_t peer, uint32_t local) = nullptr;
    // Bytes arrived. A non-zero result closes the connection without a call
    // of `closed`.
    int (*received)(void* user, int connection, const uint8_t* data, size_t size) = nullptr;
    // The peer closed the connection, or it failed, or its output queue
    // overflowed. Called from the loop, never from inside a stream call.
    void (*closed)(void* user, int connection) = nullptr;
    // Optional: a connection's output queue was sent out completely after
    // it had to wait for the peer; owners that send large answers in pieces
    // send the next piece here.
    void (*drained)(void* user, int connection) = nullptr;
};

// Listens on the IPv4 address `address` (dotted text) and `port` (0 picks a
// free one). Returns 0 or an errno value.
int server_stream_listen(server_loop* loop, const char* address, uint16_t port,
                         const server_stream_callbacks& callbacks, server_stream** stream);
// Connections one peer address may hold at once (default 64); further ones
// from that address are accepted and closed at once, so that one address
// cannot take every connection of a port.
void server_stream_set_per_address(server_stream* stream, size_t limit);
// The port the stream listens on.
uint16_t server_stream_port(const server_stream* stream);

// Queues bytes for a connection and starts sending them. Unknown
// connections are ignored. A connection whose queue passes its limit (a
// peer that does not read) is closed and reported through `closed`.
void server_stream_send(server_stream* stream, int connection, const uint8_t* data, size_t size);
// Bytes queued for a connection that the peer has not taken yet (0 for an
// unknown connection).
size_t server_stream_queued(const server_stream* stream, int connection);
// Sends what can go at once of the queue and closes the connection; `closed`
// is not called.
void server_stream_close(server_stream* stream, int connection);

// Closes the listener and every connection without callbacks.
void server_stream_destroy(server_stream* stream);
