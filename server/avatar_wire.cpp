#include "avatar_wire.h"

#include <algorithm>

namespace {

int32_t read_i32(const uint8_t* p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 24 |
                                static_cast<uint32_t>(p[1]) << 16 |
                                static_cast<uint32_t>(p[2]) << 8 | p[3]);
}

int16_t read_i16(const uint8_t* p)
{
    return static_cast<int16_t>(p[0] << 8 | p[1]);
}

void put_u32(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void put_u16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

}  // namespace

int av_wire_parse(const uint8_t* data, size_t size, av_message* message)
{
    if (size == 0)
        return 1;
    *message = av_message{};
    message->type = data[0];
    switch (data[0]) {
    case av_type_state: {
        if (size < av_state_size)
            return 1;
        av_state& s = message->state;
        s.x = std::clamp(read_i32(data + 1), -av_horizontal_limit, av_horizontal_limit);
        s.y = std::clamp(read_i32(data + 5), av_altitude_min, av_altitude_max);
        s.z = std::clamp(read_i32(data + 9), -av_horizontal_limit, av_horizontal_limit);
        s.yaw = read_i16(data + 13);
        s.type = data[15];
        // data[16] is always 0 from the client and means nothing here.
        s.gesture = data[17];
        return 0;
    }
    case av_type_ack:
        if (size < 2)
            return 1;
        message->sequence = data[1];
        return 0;
    case av_type_relay_text: {
        if (size < 2)
            return 1;
        message->sequence = data[1];
        // A text that would make a 16-byte datagram comes with a zero after it.
        size_t end = size;
        while (end > 2 && data[end - 1] == 0)
            --end;
        end = std::min(end, 2 + av_text_max);
        message->text.assign(reinterpret_cast<const char*>(data + 2), end - 2);
        return 0;
    }
    case av_type_bye:
        return 0;
    default:
        return 1;
    }
}

std::vector<uint8_t> av_wire_user_list(int32_t base_x, int32_t base_y, int32_t base_z,
                                       const std::vector<av_list_entry>& entries)
{
    size_t count = std::min(entries.size(), av_list_entries_max);
    std::vector<uint8_t> out;
    out.reserve(av_list_header_size + count * av_list_entry_size);
    out.push_back(av_type_user_list);
    put_u32(out, static_cast<uint32_t>(base_x));
    put_u32(out, static_cast<uint32_t>(base_y));
    put_u32(out, static_cast<uint32_t>(base_z));
    for (size_t i = 0; i < count; ++i) {
        const av_list_entry& e = entries[i];
        put_u32(out, e.address);
        put_u16(out, e.port);
        put_u16(out, static_cast<uint16_t>(e.dx));
        put_u16(out, static_cast<uint16_t>(e.dy));
        put_u16(out, static_cast<uint16_t>(e.dz));
        put_u16(out, static_cast<uint16_t>(e.yaw));
        out.push_back(e.type);
        out.push_back(0);
        out.push_back(e.gesture);
    }
    return out;
}

std::vector<uint8_t> av_wire_relayed_text(uint8_t sequence, uint32_t address, uint16_t port,
                                          std::string_view text)
{
    text = text.substr(0, av_text_max);
    std::vector<uint8_t> out;
    out.reserve(av_relayed_header_size + text.size());
    out.push_back(av_type_relayed_text);
    out.push_back(sequence);
    put_u32(out, address);
    put_u16(out, port);
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

std::vector<uint8_t> av_wire_ack(uint8_t sequence)
{
    return {av_type_ack, sequence};
}
