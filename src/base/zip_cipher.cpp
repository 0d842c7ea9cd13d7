#include "base/zip_cipher.h"

#include "base/crc32.h"

namespace {

void advance(zip_cipher* c, uint8_t plain)
{
    c->k0 = crc32_step(c->k0, plain);
    c->k1 = (c->k1 + (c->k0 & 0xFF)) * 134775813u + 1;
    c->k2 = crc32_step(c->k2, static_cast<uint8_t>(c->k1 >> 24));
}

uint8_t stream_byte(const zip_cipher* c)
{
    uint32_t t = (c->k2 | 2) & 0xFFFF;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

}  // namespace

void zip_cipher_init(zip_cipher* cipher, const uint8_t* password, size_t length)
{
    cipher->k0 = 0x12345678;
    cipher->k1 = 0x23456789;
    cipher->k2 = 0x34567890;
    for (size_t i = 0; i < length; ++i)
        advance(cipher, password[i]);
}

void zip_cipher_encrypt(zip_cipher* cipher, uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        uint8_t plain = bytes[i];
        bytes[i] = plain ^ stream_byte(cipher);
        advance(cipher, plain);
    }
}

void zip_cipher_decrypt(zip_cipher* cipher, uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        uint8_t plain = bytes[i] ^ stream_byte(cipher);
        bytes[i] = plain;
        advance(cipher, plain);
    }
}
