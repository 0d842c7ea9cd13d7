#pragma once
// Drives the universe without sockets: requests built field by field, the
// messages the server sends collected per session.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "net/fields.h"
#include "support/temp_dir.h"
#include "universe.h"

struct server_worlds;
struct us_store;

using bytes = std::vector<uint8_t>;

// A client's request: length, code, fields.
class client_request {
public:
    explicit client_request(uint8_t code) : body_{code} {}
    client_request& u8(uint8_t value);
    client_request& u16(uint16_t value);
    client_request& u32(uint32_t value);
    client_request& text(std::string_view value);
    client_request& raw(const bytes& value);
    // The code and the fields, as us_request_decode takes them.
    const bytes& body() const { return body_; }
    // With the length field in front.
    bytes framed() const;

private:
    bytes body_;
};

client_request login_request(std::string_view name, std::string_view password,
                             uint32_t privilege = 0, std::string_view privilege_password = "",
                             uint8_t hide_world = 0);

// One message from the server, split into its parts.
struct server_message {
    uint8_t rc = 0;
    uint8_t id = 0;
    bytes fields;
    field_reader reader() const { return field_reader(fields.data(), fields.size()); }
};

// A universe on a fresh data directory with the sample citizens (1 Wren, 2
// Finch) and the worlds qo (port 5671) and gate (5672) running.
class universe_harness {
public:
    explicit universe_harness(const us_universe_options& options = {});
    ~universe_harness();
    universe_harness(const universe_harness&) = delete;
    universe_harness& operator=(const universe_harness&) = delete;

    void open(int session, uint32_t peer = 0x7F000001);
    // Feeds bytes; the result of us_universe_input.
    int input(int session, const bytes& data);
    int send(int session, const client_request& r) { return input(session, r.framed()); }
    // The messages sent to a session since the last take.
    std::vector<server_message> take(int session);
    // Sends a request and expects exactly one message back.
    server_message ask(int session, const client_request& r);
    // Logs in and checks for success; drops the replies.
    void log_in(int session, std::string_view name, std::string_view password,
                uint8_t hide_world = 0);

    us_universe* universe = nullptr;
    us_store* store = nullptr;
    server_worlds* worlds = nullptr;
    std::vector<int> closed;  // sessions the server ended

private:
    static void on_send(void* user, int session, const uint8_t* data, size_t size);
    static void on_close(void* user, int session);
    temp_dir dir_;
    std::map<int, std::vector<server_message>> sent_;
};
