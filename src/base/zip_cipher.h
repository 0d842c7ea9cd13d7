#pragma once
#include <cstddef>
#include <cstdint>

// The ZIP format's traditional stream cipher: three 32-bit keys, set up
// from a password and advanced by every plain byte. A cipher carries its
// state from one call to the next, so a stream may be handled in pieces.
struct zip_cipher {
    uint32_t k0;
    uint32_t k1;
    uint32_t k2;
};

// Keys the cipher with `length` bytes of password (none for 0).
void zip_cipher_init(zip_cipher* cipher, const uint8_t* password, size_t length);
// Both operate in place.
void zip_cipher_encrypt(zip_cipher* cipher, uint8_t* bytes, size_t count);
void zip_cipher_decrypt(zip_cipher* cipher, uint8_t* bytes, size_t count);
