#pragma once
// The universe protocol on the wire: the decoding of the client's requests
// and the building of the server's messages. Numbers are big-endian; a text
// is a length byte and that many bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Builds one message from the server: length, result code, message id and
// the fields. Texts longer than 255 bytes are cut.
class us_writer {
public:
    us_writer(uint8_t rc, uint8_t id);
    us_writer& byte(uint8_t value);
    us_writer& u16(uint16_t value);
    us_writer& u32(uint32_t value);
    us_writer& text(std::string_view value);
    // Bytes after the length field so far.
    size_t length() const { return bytes_.size() - 2; }
    // The message with its length field filled in.
    const std::vector<uint8_t>& finish();

private:
    std::vector<uint8_t> bytes_;
};

// One request from a client, decoded. Which fields are filled depends on
// the code:
//   24 world
//   25 name, password, mode (the byte between password and address), email
//   26 name, password (the citizen's own), attributes (tag, value) in order
//   27 name, password
//   28 name, email
//   33, 41, 42, 43 number
//   35 number (addressee), message
//   36 name
//   37 address (IPv4, host order)
//   40 numbers
//   44 answer, number (the asking citizen), and when answer is 0: world, x,
//      y, z, facing
//   45 build, name, password, privilege (citizen number),
//      privilege_password, hide_world
//   32, 34, 38 nothing
struct us_request {
    uint8_t code = 0;
    std::string name;
    std::string password;
    std::string email;
    std::string world;
    std::string message;
    std::string privilege_password;
    uint32_t number = 0;
    uint32_t privilege = 0;
    uint32_t build = 0;
    uint32_t address = 0;
    uint8_t mode = 0;
    uint8_t answer = 0;
    uint8_t hide_world = 0;
    uint32_t x = 0, y = 0, z = 0;
    uint16_t facing = 0;
    std::vector<uint32_t> numbers;
    std::vector<std::pair<uint8_t, std::string>> attributes;
};

enum us_decode_result {
    us_decode_ok = 0,
    us_decode_malformed = 1,  // fields missing, a text past the end, a bad tag
    us_decode_unknown = 2,    // a code the protocol does not have
};

// Decodes a request body: the code and its fields (the bytes after the
// length field). Bytes after the last field are ignored.
int us_request_decode(const uint8_t* body, size_t size, us_request* request);
