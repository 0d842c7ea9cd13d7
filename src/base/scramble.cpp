#include "base/scramble.h"

#include "base/zip_cipher.h"

namespace {

// The built-in key. The settings file, the keyed stores and the in-memory
// password all use it, so it must never change between releases.
constexpr uint8_t default_key[24] = {
    0x5a, 0xc3, 0x17, 0x8e, 0xf0, 0x2b, 0x64, 0x9d, 0x31, 0xa7, 0x0c, 0xe5,
    0x48, 0xb9, 0x7f, 0x12, 0xd6, 0x83, 0x2e, 0x6a, 0xfb, 0x05, 0x9c, 0x47,
};

zip_cipher keyed(const uint8_t* key, size_t key_length)
{
    if (!key || key_length == 0) {
        key = default_key;
        key_length = sizeof default_key;
    }
    zip_cipher c;
    zip_cipher_init(&c, key, key_length);
    return c;
}

}  // namespace

void scramble(const uint8_t* key, size_t key_length, uint8_t* bytes, size_t count)
{
    zip_cipher c = keyed(key, key_length);
    zip_cipher_encrypt(&c, bytes, count);
}

void unscramble(const uint8_t* key, size_t key_length, uint8_t* bytes, size_t count)
{
    zip_cipher c = keyed(key, key_length);
    zip_cipher_decrypt(&c, bytes, count);
}
