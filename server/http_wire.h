#pragma once
// HTTP/1.1 on the wire for the object server: the request head parser, the
// mapping of a request path onto a file name below the content directory,
// the dates HTTP uses, and the heads of responses. No sockets here, so the
// tests and the fuzz target call it directly.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Longest request line, and longest head (request line and header lines).
constexpr size_t hs_line_max = 4096;
constexpr size_t hs_head_max = 8192;
constexpr size_t hs_header_count_max = 64;

enum hs_method { hs_method_get, hs_method_head, hs_method_other };

struct hs_request {
    hs_method method = hs_method_other;
    std::string path;   // the target's path, before any "?", still escaped
    std::string query;  // after the first "?"; empty when there is none
    bool has_query = false;
    int minor_version = 1;  // HTTP/1.minor_version
    bool has_host = false;
    bool keep_alive = true;  // HTTP/1.1 without "Connection: close"
    bool has_body = false;   // a non-zero Content-Length or a Transfer-Encoding
    std::string if_modified_since;  // empty when absent
};

// Results of hs_request_parse besides the HTTP status codes of a bad head.
constexpr int hs_parse_done = 0;
constexpr int hs_parse_more = 1;

// Reads a request head from the start of `data`. Returns hs_parse_done with
// the head's length (blank line included) in `used`; hs_parse_more when the
// head is not complete yet and may still become valid; or the status to
// answer a malformed head with: 400, 414 (request line too long), 431 (head
// too long or too many header lines), 505 (an HTTP version other than 1.x).
int hs_request_parse(const char* data, size_t size, hs_request* request, size_t* used);

// Turns a request path ("/qo/models/tree.zip", with percent escapes) into
// a relative file name below the content directory ("qo/models/tree.zip").
// Empty segments are skipped, so "/" gives the empty name. Returns 0; 400 for
// a bad escape, an escaped NUL or "/", a backslash, or a "." or ".."
// segment; 404 for a hidden name (a segment starting with ".").
int hs_path_resolve(std::string_view path, std::string* relative);

// "Sun, 06 Nov 1994 08:49:37 GMT" for seconds since 1970.
std::string hs_date_format(int64_t seconds);
// Reads a date in any of the three forms HTTP allows (RFC 1123, RFC 850,
// asctime). Returns 0, or 1 when the text is none of them.
int hs_date_parse(std::string_view text, int64_t* seconds);

// The media type sent for a file name, by its extension.
const char* hs_content_type(std::string_view name);

// The hand-off file line for a teleport link's query ("qo_12n_34w" gives
// "teleport qo 12n 34w"), the same command the client makes of the link
// when it catches it itself. Returns 0, or 1 for an empty query.
int hs_teleport_line(std::string_view query, std::string* line);

struct hs_response {
    int status = 200;
    uint64_t content_length = 0;
    const char* content_type = nullptr;  // none when null
    int64_t last_modified = -1;          // seconds since 1970; -1 for none
    bool close = false;                  // "Connection: close"
};

// The status line and headers, blank line included, with the date `now`.
std::string hs_response_head(const hs_response& response, int64_t now);
