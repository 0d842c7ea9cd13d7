#pragma once
#include <cstddef>
#include <cstdint>

struct element;

// The property protocol with the world server: one request at a time is
// sent and its reply processed, from prop_update once a frame, never
// blocking. Requests return 0 when queued, 1 when memory is short.
void prop_init();
void prop_update();
void prop_term();
// Closes the connection and drops every request (entering or leaving a
// world).
void prop_reset();
// Shows or hides the cache-update pane.
void prop_toggle_cache();

int prop_add(const element* e);
int prop_change(int old_cx, int old_cz, const element* e);
int prop_delete(int cx, int cz, int number);
int prop_query(int sx, int sz);
// The reply goes to the callback: (data, length, 0), or (none, 0, code).
using prop_options_callback = void (*)(const uint8_t* data, size_t length, int code);
int prop_options_read(prop_options_callback callback);
int prop_options_write(const uint8_t* data, size_t length);
// The eject dialog hears the status of the reply (0: done).
using prop_eject_callback = void (*)(int status);
int prop_eject(uint32_t target, uint32_t seconds, prop_eject_callback callback);

// 1 while a sector query is outstanding.
int prop_query_outstanding();
// Sector queries sent since start-up, and requests waiting or under way.
int prop_queries_sent();
int prop_pending();

// Applies one reply body to the cell store: a status byte, or a stream of
// cell, element and sector records, each checked against the bytes left
// before it is read; a record cut short ends the stream and what came
// before it stays applied. Returns the reply's status: 0 success, else the
// server's code (12 identity rejected, 15 ejected, ...) or 201 when a
// sector's time stamp could not be stored.
int prop_reply_apply(const uint8_t* data, size_t length);

// A queued request as it goes on the wire (0 the one under way), for tests
// and tools; 0 when there is no such request.
struct prop_request_view {
    const uint8_t* body;
    size_t length;
    int cell_count;  // cells reloaded when the request fails
    int cx[2], cz[2];
};
int prop_request_at(int index, prop_request_view* view);
