#pragma once

// The HTTP fetcher.
int http_init(int timeout_ms);
void http_update();
void http_term();
// The proxy setting changed: the session is opened again through it.
void http_proxy_changed();
