#include "support/property_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

void put32(std::vector<uint8_t>* b, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b->push_back(static_cast<uint8_t>(v >> shift));
}

std::vector<uint8_t> property_request(int port, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> reply;
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 ||
        send(s, body.data(), body.size(), 0) != static_cast<ssize_t>(body.size())) {
        close(s);
        return reply;
    }
    std::vector<uint8_t> bytes;
    pollfd p{s, POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
        uint8_t buffer[4096];
        ssize_t n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (bytes.size() >= 2 && bytes.size() >= 2u + (bytes[0] << 8 | bytes[1])) {
            reply.assign(bytes.begin() + 2, bytes.begin() + 2 + (bytes[0] << 8 | bytes[1]));
            break;
        }
    }
    close(s);
    return reply;
}

std::vector<property_object> property_query(int port, int sx, int sz, uint32_t identity)
{
    std::vector<uint8_t> body = {3, 0, 0, 0, static_cast<uint8_t>(sx >> 8),
                                 static_cast<uint8_t>(sx), static_cast<uint8_t>(sz >> 8),
                                 static_cast<uint8_t>(sz)};
    body.resize(body.size() + 36, 0);
    put32(&body, identity);
    std::vector<uint8_t> r = property_request(port, body);
    std::vector<property_object> objects;
    auto u16 = [&](size_t at) { return static_cast<int16_t>(r[at] << 8 | r[at + 1]); };
    int cx = 0, cz = 0;
    size_t at = 0;
    while (r.size() > 1 && at < r.size()) {
        int type = r[at];
        if (type == 0 && at + 5 <= r.size()) {
            cx = u16(at + 1);
            cz = u16(at + 3);
            at += 5;
        } else if (type == 1) {
            at += 1;
        } else if (type == 2 && at + 21 <= r.size()) {
            size_t texts = r[at + 18] + r[at + 19] + r[at + 20];
            if (at + 21 + texts > r.size())
                break;
            uint32_t owner = static_cast<uint32_t>(r[at + 2] << 24 | r[at + 3] << 16 |
                                                   r[at + 4] << 8 | r[at + 5]);
            objects.push_back({cx, cz, r[at + 1], owner, u16(at + 10), u16(at + 12),
                               u16(at + 14), u16(at + 16),
                               std::string(r.begin() + static_cast<long>(at + 21),
                                           r.begin() + static_cast<long>(at + 21 + r[at + 18]))});
            at += 21 + texts;
        } else if (type == 3 && at + 2 <= r.size()) {
            at += 2;
        } else if (type == 4 && at + 9 <= r.size()) {
            at += 9;
        } else {
            break;
        }
    }
    return objects;
}
