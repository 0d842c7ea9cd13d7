#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/scramble.h"

namespace {

std::vector<uint8_t> bytes(const char* text)
{
    return std::vector<uint8_t>(text, text + std::strlen(text));
}

}  // namespace

// The cipher must be the ZIP format's: this ciphertext was made with a
// separate ZIP decrypter and the password "secret".
TEST(scramble, matches_the_zip_stream_cipher)
{
    const uint8_t key[] = {'s', 'e', 'c', 'r', 'e', 't'};
    std::vector<uint8_t> data = bytes("Hello, world!");
    scramble(key, sizeof key, data.data(), data.size());
    const std::vector<uint8_t> expected = {0x80, 0x75, 0xf6, 0x32, 0x20, 0x4d, 0xe8,
                                           0xa8, 0x4f, 0xf7, 0xbb, 0x3f, 0xfb};
    EXPECT_EQ(data, expected);
    unscramble(key, sizeof key, data.data(), data.size());
    EXPECT_EQ(data, bytes("Hello, world!"));
}

TEST(scramble, a_missing_or_empty_key_selects_the_default_key)
{
    std::vector<uint8_t> a = bytes("password"), b = a, c = a;
    scramble(nullptr, 0, a.data(), a.size());
    const uint8_t unused[] = {1, 2, 3};
    scramble(unused, 0, b.data(), b.size());
    EXPECT_EQ(a, b);
    EXPECT_NE(a, bytes("password"));
    const uint8_t other[] = {'x'};
    scramble(other, 1, c.data(), c.size());
    EXPECT_NE(a, c);
    unscramble(nullptr, 0, a.data(), a.size());
    EXPECT_EQ(a, bytes("password"));
}

TEST(scramble, every_byte_value_survives_the_round_trip)
{
    std::vector<uint8_t> data(256);
    for (int i = 0; i < 256; ++i)
        data[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    std::vector<uint8_t> copy = data;
    scramble(nullptr, 0, data.data(), data.size());
    unscramble(nullptr, 0, data.data(), data.size());
    EXPECT_EQ(data, copy);
}
