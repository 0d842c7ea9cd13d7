#pragma once
// The avatar datagrams of a world's UDP port: what clients send the world
// server (state, relay text, acknowledgement, bye) decoded, and what the
// server sends them (user list, relayed text, acknowledgement) built.
// Numbers are big-endian. Positions are thousandths of a unit, yaws tenths
// of a degree.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Message types, client to server.
constexpr uint8_t av_type_state = 0;
constexpr uint8_t av_type_ack = 1;
constexpr uint8_t av_type_relay_text = 2;
constexpr uint8_t av_type_bye = 3;
// Server to client (the acknowledgement is type 1 both ways).
constexpr uint8_t av_type_user_list = 2;
constexpr uint8_t av_type_relayed_text = 3;

// A client receives at most 512 bytes and sends at most 256.
constexpr size_t av_datagram_max = 512;
constexpr size_t av_state_size = 18;
constexpr size_t av_list_header_size = 13;
constexpr size_t av_list_entry_size = 17;
constexpr size_t av_list_entries_max = (av_datagram_max - av_list_header_size) / av_list_entry_size;
constexpr size_t av_relayed_header_size = 8;
// A client keeps at most 255 bytes of a received text.
constexpr size_t av_text_max = 255;

// The world's limits in thousandths of a unit.
constexpr int32_t av_horizontal_limit = 32764000;
constexpr int32_t av_altitude_min = -35000;
constexpr int32_t av_altitude_max = 200000;

struct av_state {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    int16_t yaw = 0;
    uint8_t type = 0;
    uint8_t gesture = 0;
};

struct av_message {
    uint8_t type = 0;
    av_state state;        // state
    uint8_t sequence = 0;  // acknowledgement, relay text
    std::string text;      // relay text: without the padding zeros, at most 255 bytes
};

// Decodes one datagram from a client. Returns 0, or 1 for a datagram that is
// empty, of an unknown type or too short for its type. A state's position is
// brought within the world's limits.
int av_wire_parse(const uint8_t* data, size_t size, av_message* message);

// One entry of a user list: where another user is, relative to the list's
// base.
struct av_list_entry {
    uint32_t address = 0;  // IPv4, host order
    uint16_t port = 0;
    int16_t dx = 0;
    int16_t dy = 0;
    int16_t dz = 0;
    int16_t yaw = 0;
    uint8_t type = 0;
    uint8_t gesture = 0;
};

// A user list with at most av_list_entries_max entries (more are left out).
std::vector<uint8_t> av_wire_user_list(int32_t base_x, int32_t base_y, int32_t base_z,
                                       const std::vector<av_list_entry>& entries);
// A text relayed from the speaker at `address`:`port` (host order); the text
// is cut at av_text_max bytes.
std::vector<uint8_t> av_wire_relayed_text(uint8_t sequence, uint32_t address, uint16_t port,
                                          std::string_view text);
std::vector<uint8_t> av_wire_ack(uint8_t sequence);
