#pragma once

// The server that comes with the program: when the universe is on this
// machine and nobody answers there, the vireo-server beside the executable
// is started on that port with a data folder of the user's, so a fresh
// install logs in with no set-up. It stops with the program.

// Starts the server when [universe] host is a loopback address and nothing
// listens on [universe] port, and waits (keeping the window alive) until it
// is ready. The environment variable VIREO_SERVER, when set, names the
// server program instead; set but empty, no server is started. 0 when the server is not needed or is ready, 1 when it could not
// be started (the log says why; the log-in then reports the universe as
// unreachable).
int local_server_start();
// Whether the host names this machine: "localhost" or 127.x.x.x.
bool local_server_is_loopback(const char* host);
// Stops a server this program started.
void local_server_term();
