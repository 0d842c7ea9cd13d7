#pragma once
#include <cstdint>

// Host names to IPv4 addresses without blocking: lookups run on a thread
// of their own and their results arrive through the event loop (also
// inside dialogs), written into the caller's variable: 0 while pending,
// 0xFFFFFFFF when the name cannot be found, else the address in network
// byte order. A name is tried at most four times; its result is kept for
// the rest of the run.
constexpr uint32_t resolve_failed = 0xFFFFFFFF;

struct resolve_waiter;

// 0 on success.
int resolve_init();
// Starts or joins the lookup of a name. Returns none when the result is
// already in *address (a dotted address, or a name looked up before), else
// a handle of the wait; *address is 0 until the result arrives, and must
// stay valid until then or until the wait is cancelled.
resolve_waiter* resolve(const char* host, uint32_t* address);
// The caller no longer wants the result (also harmless once it came).
void resolve_cancel(resolve_waiter* waiter);
// Cancels every wait and stops the lookups.
void resolve_term();

// Replaces the system's lookup (tests): called on the lookup thread, it
// returns the address in network byte order or resolve_failed.
using resolve_lookup = uint32_t (*)(const char* host);
void resolve_set_lookup(resolve_lookup lookup);
