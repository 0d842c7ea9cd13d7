// vireo-server's avatar port on any datagrams: the input is cut into
// datagrams (a length byte, a byte choosing one of four client addresses,
// then the datagram) that a world with two bots takes, with time moving on
// between them. The parser never reads past a datagram, and whatever the
// world sends keeps to the client's limits: at most 512 bytes, user lists
// made of whole entries, nothing addressed to a bot or to a client the
// world does not admit.
#include <cstdint>
#include <cstdlib>

#include "avatar_wire.h"
#include "avatar_world.h"
#include "bots.h"

namespace {

void check_sent(void*, av_address to, const uint8_t* data, size_t size)
{
    if (size == 0 || size > av_datagram_max)
        std::abort();
    if ((to.ip & 0xFFFF0000) == av_bots_network || to.port == 4002)
        std::abort();
    if (data[0] == av_type_user_list &&
        (size < av_list_header_size || (size - av_list_header_size) % av_list_entry_size != 0))
        std::abort();
}

// Client 0 is a public speaker, client 1 a plain user; client 2 is a
// stranger, never admitted.
int admitted(void*, av_address from)
{
    return from.port != 4002;
}

int speaker(void*, av_address from)
{
    return from.port == 4000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    av_world_io io;
    io.send = check_sent;
    io.admitted = admitted;
    io.speaker = speaker;
    av_world* world = av_world_create(io);
    av_bots* bots = av_bots_create(world, 2, 7, 0);
    int64_t now = 0;
    size_t at = 0;
    while (size - at >= 2) {
        size_t length = data[at];
        uint8_t sender = data[at + 1];
        at += 2;
        if (length > size - at)
            length = size - at;
        av_message message;
        if (av_wire_parse(data + at, length, &message) == 0 &&
            message.text.size() > av_text_max)
            std::abort();
        // Senders 0 to 2 are clients; 3 claims a bot's address.
        av_address from{0x7F000001, static_cast<uint16_t>(4000 + sender % 4)};
        if (sender % 4 == 3)
            from = av_address{av_bots_network + 1, av_bots_port};
        av_world_input(world, from, data + at, length, now);
        at += length;
        now += 100 * (sender / 4);
        av_bots_step(bots, now);
        av_world_tick(world, now);
    }
    av_bots_destroy(bots);
    av_world_destroy(world);
    return 0;
}
