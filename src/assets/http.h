#pragma once
#include <cstddef>
#include <cstdint>

// The HTTP fetcher: one GET per request, the whole body read into one
// buffer of exactly the announced length. Transfers run off the main
// thread; the main thread looks at a request only through these functions
// and acts once its result is no longer http_running.

struct http_request;

// Result codes; anything else is an HTTP status other than 200, 304, 404
// and 406 (100..599), or a transport error: http_transport_error plus
// libcurl's CURLcode, which collides with neither.
enum http_result {
    http_received = 0,
    http_running = 1,
    http_timed_out = 2,      // no progress once connected, or the proxy changed
    http_too_large = 3,      // Content-Length above the maximum
    http_no_memory = 5,
    http_no_length = 10,     // no Content-Length
    http_no_connection = 15, // the transfer could not be set up
    http_empty = 16,         // Content-Length 0
    http_not_modified = 17,  // 304
    http_not_found = 19,     // 404 or 406
    http_no_host = 20,       // the host began with ":"
    http_too_long = 21,      // more bytes than announced
    http_transport_error = 12000,  // plus the CURLcode
};

// Opens the session (agent "Vireo Browser", the proxy of proxy_text());
// `timeout_ms` 0 stands for 30000. Making a connection may take as long,
// but at most 20 s; a server not reached by then fails the request with a
// transport error, where a server that falls silent later times out.
// 0 on success, else an error number.
int http_init(int timeout_ms);
// Starts a GET of "/<path>" on `host` ("name" or "name:port", port 80 by
// default; "https://" in front for a secure server, port 443 by default).
// The conditional form sends "If-Modified-Since: <date>" unless the date
// is empty. The request is the caller's until http_done.
http_request* http_get(const char* host, const char* path);
http_request* http_conditional_get(const char* host, const char* path, const char* date);
// The largest Content-Length accepted; 0 for no limit. It holds even
// when set after the answer came in.
void http_set_max(http_request* request, uint32_t bytes);
int http_rc(const http_request* request);
// The body once the result is http_received.
const unsigned char* http_buffer(const http_request* request);
// The Content-Length.
uint32_t http_size(const http_request* request);
// The Last-Modified text (at most 39 characters), or the date sent with a
// conditional request; never null, may be empty.
const char* http_date(const http_request* request);
void http_progress(const http_request* request, uint32_t* received, uint32_t* length);
// A short text for the Downloads window: "", "starting", "%d of %d" or
// "receiving response".
const char* http_state(const http_request* request);
// The owner is finished with the request; it is freed now or when its
// transfer has wound down.
void http_done(http_request* request);
// A frame's step: requests without progress for longer than the time-out
// end with http_timed_out.
void http_update();
// The proxy setting changed: the session is opened again through it and
// every running request ends with http_timed_out (its owner starts it
// again).
void http_proxy_changed();
// Ends every transfer and frees every request, including those not yet
// given back with http_done.
void http_term();
