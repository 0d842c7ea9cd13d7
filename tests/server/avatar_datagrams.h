#pragma once
// Avatar datagrams as a client writes and reads them, written out byte by
// byte here so that the tests check the server's encoding, not reuse it.
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

using datagram = std::vector<uint8_t>;

// State (type 0): position in thousandths, yaw in tenths of a degree.
inline datagram state_datagram(int32_t x, int32_t y, int32_t z, int16_t yaw = 0, uint8_t type = 0,
                               uint8_t gesture = 0)
{
    datagram d{0};
    for (int32_t v : {x, y, z}) {
        auto u = static_cast<uint32_t>(v);
        d.insert(d.end(), {static_cast<uint8_t>(u >> 24), static_cast<uint8_t>(u >> 16),
                           static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u)});
    }
    auto y16 = static_cast<uint16_t>(yaw);
    d.insert(d.end(),
             {static_cast<uint8_t>(y16 >> 8), static_cast<uint8_t>(y16), type, 0, gesture});
    return d;
}

// Relay text (type 2), with the zero a client adds to make 16 bytes 17.
inline datagram relay_datagram(uint8_t sequence, std::string_view text)
{
    datagram d(2 + text.size());
    d[0] = 2;
    d[1] = sequence;
    std::copy(text.begin(), text.end(), d.begin() + 2);
    if (d.size() == 16)
        d.push_back(0);
    return d;
}

inline int32_t be32(const datagram& d, size_t at)
{
    return static_cast<int32_t>(static_cast<uint32_t>(d[at]) << 24 |
                                static_cast<uint32_t>(d[at + 1]) << 16 |
                                static_cast<uint32_t>(d[at + 2]) << 8 | d[at + 3]);
}

inline int16_t be16(const datagram& d, size_t at)
{
    return static_cast<int16_t>(d[at] << 8 | d[at + 1]);
}

// One user of a user list (type 2), with its position made absolute.
struct listed_user {
    uint32_t ip = 0;
    uint16_t port = 0;
    int32_t x = 0, y = 0, z = 0;
    int16_t yaw = 0;
    uint8_t type = 0;
    uint8_t gesture = 0;
};

inline std::vector<listed_user> decode_list(const datagram& d)
{
    std::vector<listed_user> users;
    if (d.size() < 13 || d[0] != 2)
        return users;
    int32_t bx = be32(d, 1), by = be32(d, 5), bz = be32(d, 9);
    for (size_t at = 13; at + 17 <= d.size(); at += 17) {
        listed_user u;
        u.ip = static_cast<uint32_t>(be32(d, at));
        u.port = static_cast<uint16_t>(be16(d, at + 4));
        u.x = bx + be16(d, at + 6);
        u.y = by + be16(d, at + 8);
        u.z = bz + be16(d, at + 10);
        u.yaw = be16(d, at + 12);
        u.type = d[at + 14];
        u.gesture = d[at + 16];
        users.push_back(u);
    }
    return users;
}
