#pragma once
#include <cstddef>
#include <cstdint>

// Non-blocking TCP and UDP sockets, polled by their users once a frame.
// Results: 0 success, 1 out of memory, 2 not yet connected, 3 partial
// send, 4 time-out, 5 closed by the peer, otherwise 10000 + the system's
// error number. Addresses and ports are in network byte order.
enum socket_result {
    socket_ok = 0,
    socket_no_memory = 1,
    socket_connecting = 2,
    socket_partial = 3,
    socket_timeout = 4,
    socket_closed = 5,
    socket_system = 10000,
};

constexpr uint32_t tcp_connect_timeout_ms = 20000;
constexpr uint32_t tcp_silence_timeout_ms = 45000;

struct tcp_connection;

int tcp_connect(uint32_t address, uint16_t port, tcp_connection** connection);
// 1 once the connection is made.
int tcp_writable(tcp_connection* connection);
// 1 when data (or the peer's close) is waiting.
int tcp_readable(tcp_connection* connection);
int tcp_send(tcp_connection* connection, const void* bytes, size_t length);
// Receives at most min(capacity, 4096) bytes; 0 received when nothing waits.
int tcp_receive(tcp_connection* connection, void* buffer, size_t capacity, size_t* received);
// Closes and frees the connection.
int tcp_close(tcp_connection* connection);
// The socket's descriptor, for waiting on it.
int tcp_descriptor(const tcp_connection* connection);

// A UDP socket bound to the first free port from 3000 to 3100.
int udp_open(int* socket);
int udp_close(int socket);
int udp_port(int socket);
int udp_receive(int socket, void* buffer, size_t capacity, size_t* received, uint32_t* address,
                uint16_t* port);
int udp_send(int socket, const void* bytes, size_t length, uint32_t address, uint16_t port);
