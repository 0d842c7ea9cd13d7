#include "app/scramble.h"

#include "app/crc32.h"

namespace {

// The built-in key. The settings file, the keyed stores and the in-memory
// password all use it, so it must never change between releases.
constexpr uint8_t default_key[24] = {
    0x5a, 0xc3, 0x17, 0x8e, 0xf0, 0x2b, 0x64, 0x9d, 0x31, 0xa7, 0x0c, 0xe5,
    0x48, 0xb9, 0x7f, 0x12, 0xd6, 0x83, 0x2e, 0x6a, 0xfb, 0x05, 0x9c, 0x47,
};

struct cipher {
    uint32_t k0 = 0x12345678;
    uint32_t k1 = 0x23456789;
    uint32_t k2 = 0x34567890;

    cipher(const uint8_t* key, size_t key_length)
    {
        if (!key || key_length == 0) {
            key = default_key;
            key_length = sizeof default_key;
        }
        for (size_t i = 0; i < key_length; ++i)
            advance(key[i]);
    }

    void advance(uint8_t plain)
    {
        k0 = crc32_step(k0, plain);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = crc32_step(k2, static_cast<uint8_t>(k1 >> 24));
    }

    uint8_t stream_byte() const
    {
        uint32_t t = (k2 | 2) & 0xFFFF;
        return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    }
};

}  // namespace

void scramble(const uint8_t* key, size_t key_length, uint8_t* bytes, size_t count)
{
    cipher c(key, key_length);
    for (size_t i = 0; i < count; ++i) {
        uint8_t plain = bytes[i];
        bytes[i] = plain ^ c.stream_byte();
        c.advance(plain);
    }
}

void unscramble(const uint8_t* key, size_t key_length, uint8_t* bytes, size_t count)
{
    cipher c(key, key_length);
    for (size_t i = 0; i < count; ++i) {
        uint8_t plain = bytes[i] ^ c.stream_byte();
        bytes[i] = plain;
        c.advance(plain);
    }
}
