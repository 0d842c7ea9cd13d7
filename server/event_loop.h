#pragma once
// One single-threaded poll() loop for every socket of the server: the
// universe listener and its connections now, the worlds' sockets later.
// Handlers run on the loop's thread and may add or remove watches,
// including their own, from inside a call.

struct server_loop;

// Called with the descriptor and the poll() events that occurred.
using server_loop_handler = void (*)(void* user, int fd, short revents);
using server_loop_timer = void (*)(void* user);

server_loop* server_loop_create();
void server_loop_destroy(server_loop* loop);

// Watches `fd` for `events` (POLLIN, POLLOUT). Returns a watch id above 0.
// The loop never closes the descriptor.
int server_loop_add(server_loop* loop, int fd, short events, server_loop_handler handler,
                    void* user);
void server_loop_set_events(server_loop* loop, int watch, short events);
void server_loop_remove(server_loop* loop, int watch);

// Calls `timer` about every `interval_ms` milliseconds while the loop runs.
void server_loop_every(server_loop* loop, int interval_ms, server_loop_timer timer, void* user);

// Calls `call` once, after the handlers of the current round have run: for
// work that must not happen inside the handler that asks for it.
void server_loop_defer(server_loop* loop, server_loop_timer call, void* user);
// Drops the timers and deferred calls made for `user`, which is going away.
void server_loop_forget(server_loop* loop, void* user);

// Makes SIGINT and SIGTERM end server_loop_run; ignores SIGPIPE. Returns 0
// or an errno value.
int server_loop_stop_on_signals(server_loop* loop);
void server_loop_stop(server_loop* loop);

// Waits up to `timeout_ms` for events (less when a timer is due) and handles
// them. Returns 0 or the errno value of a failed poll().
int server_loop_run_once(server_loop* loop, int timeout_ms);
// Handles events until server_loop_stop or a signal. Returns 0 or an errno
// value.
int server_loop_run(server_loop* loop);
