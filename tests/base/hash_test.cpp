#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>

#include "base/hash.h"

namespace {

struct record {
    uint64_t value;
    char padding[20];
};

}  // namespace

TEST(hash, the_key_hash_is_the_table_driven_crc_register)
{
    // h = (h >> 8) ^ T[(h ^ byte) & 255] from 0, which is CRC-32 without its
    // initial and final inversion: for "a" that is T[0x61].
    EXPECT_EQ(hash_key("", 0), 0u);
    EXPECT_EQ(hash_key("a", 1), 0x3AB551CEu);
    EXPECT_NE(hash_key("ab", 2), hash_key("ba", 2));
}

TEST(hash, agrees_with_a_reference_map_over_random_operations)
{
    for (int buckets : {1, 7, 127, 503}) {
        hash_table* table = hash_create(buckets, sizeof(record));
        ASSERT_NE(table, nullptr);
        std::map<std::string, uint64_t> reference;
        std::mt19937 random(static_cast<unsigned>(buckets));
        for (int step = 0; step < 20000; ++step) {
            // Short keys collide often; some contain zero bytes.
            std::string key(random() % 4, '\0');
            for (char& c : key)
                c = static_cast<char>(random() % 5);
            switch (random() % 4) {
            case 0:
            case 1: {
                int existed = -1;
                auto* r = static_cast<record*>(hash_insert(table, key.data(), key.size(), &existed));
                ASSERT_NE(r, nullptr);
                EXPECT_EQ(existed, reference.count(key) ? 1 : 0);
                if (!existed) {
                    EXPECT_EQ(r->value, 0u);
                    r->value = random();
                    reference[key] = r->value;
                } else {
                    EXPECT_EQ(r->value, reference[key]);
                }
                break;
            }
            case 2: {
                auto* r = static_cast<record*>(hash_find(table, key.data(), key.size()));
                if (reference.count(key)) {
                    ASSERT_NE(r, nullptr);
                    EXPECT_EQ(r->value, reference[key]);
                } else {
                    EXPECT_EQ(r, nullptr);
                }
                break;
            }
            case 3:
                EXPECT_EQ(hash_remove(table, key.data(), key.size()),
                          static_cast<int>(reference.erase(key)));
                break;
            }
            ASSERT_EQ(hash_count(table), static_cast<int>(reference.size()));
        }
        hash_destroy(table);
    }
}

TEST(hash, iteration_visits_every_entry_once_and_removes_on_request)
{
    hash_table* table = hash_create(5, sizeof(int));
    for (int i = 0; i < 100; ++i) {
        std::string key = "key" + std::to_string(i);
        *static_cast<int*>(hash_insert(table, key.data(), key.size(), nullptr)) = i;
    }
    struct tally {
        int visits = 0;
        int sum = 0;
    } t;
    hash_iterate(table, [](void* user, const void* key, size_t length, void* data) {
        auto* tt = static_cast<tally*>(user);
        int value = *static_cast<int*>(data);
        EXPECT_EQ(std::string(static_cast<const char*>(key), length), "key" + std::to_string(value));
        ++tt->visits;
        tt->sum += value;
        return value % 2;  // remove the odd ones
    }, &t);
    EXPECT_EQ(t.visits, 100);
    EXPECT_EQ(t.sum, 4950);
    EXPECT_EQ(hash_count(table), 50);
    EXPECT_EQ(hash_find(table, "key3", 4), nullptr);
    EXPECT_NE(hash_find(table, "key4", 4), nullptr);
    hash_destroy(table);
}

TEST(hash, a_removed_key_comes_back_zero_filled)
{
    hash_table* table = hash_create(127, 64);
    auto* data = static_cast<unsigned char*>(hash_insert(table, "k", 1, nullptr));
    std::memset(data, 0xAB, 64);
    EXPECT_EQ(hash_remove(table, "k", 1), 1);
    EXPECT_EQ(hash_remove(table, "k", 1), 0);
    data = static_cast<unsigned char*>(hash_insert(table, "k", 1, nullptr));
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(data[i], 0);
    hash_destroy(table);
    EXPECT_EQ(hash_create(0, 4), nullptr);
}
