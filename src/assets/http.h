#pragma once

// The HTTP fetcher.
int http_init(int timeout_ms);
void http_update();
void http_term();
