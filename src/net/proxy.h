#pragma once

// The proxy settings used for connections.
void proxy_init();
