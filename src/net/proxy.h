#pragma once

// The HTTP proxy, as the settings name it.

// Reads [proxy] address and port.
void proxy_init();
// "host:port", or none when there is no proxy.
const char* proxy_text();
// Applies the Proxy page: 0 when applied, 1 when the port is not a number
// (nothing changes then).
int proxy_apply(int use, const char* address, const char* port);
