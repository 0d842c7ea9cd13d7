#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engines/keyed_file.h"
#include "support/temp_dir.h"

namespace {

class keyed_file : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(kf_init(), 0);
        path = dir.file("store.db");
        ASSERT_EQ(kf_create(path.c_str(), 4, 0, 0, &store), 0);
    }
    void TearDown() override
    {
        if (store)
            kf_close(store);
    }

    // Adds a record under a key.
    void put(const char* key, const std::string& data)
    {
        int64_t at = 0;
        ASSERT_EQ(kf_allocate(store, data.size(), &at), 0);
        ASSERT_EQ(kf_write(store, at, data.data(), data.size()), 0);
        ASSERT_EQ(kf_add_key(store, key, at), 0);
    }

    std::string get(const char* key)
    {
        int64_t at = 0;
        if (kf_find(store, key, &at) != 0)
            return "<none>";
        size_t n = 0;
        EXPECT_EQ(kf_length(store, at, &n), 0);
        std::string data(n, '\0');
        EXPECT_EQ(kf_read(store, at, data.data(), n), 0);
        return data;
    }

    temp_dir dir;
    std::string path;
    kf_store* store = nullptr;
};

}  // namespace

TEST_F(keyed_file, records_are_found_by_key_and_walked_in_byte_order)
{
    put("bbbb", "second");
    put("aaaa", "first");
    put("\xff\x00zz", "last");
    put("b\x00\x00\x00", "between");
    EXPECT_EQ(get("aaaa"), "first");
    EXPECT_EQ(get("cccc"), "<none>");
    std::vector<std::string> order;
    char key[4];
    int64_t at = 0;
    for (int rc = kf_first(store, key, &at); rc == 0; rc = kf_next(store, key, key, &at))
        order.emplace_back(key, 4);
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0], "aaaa");
    EXPECT_EQ(order[1], std::string("b\0\0\0", 4));
    EXPECT_EQ(order[2], "bbbb");
    EXPECT_EQ(order[3], std::string("\xff\0zz", 4));
    EXPECT_EQ(kf_next(store, "\xff\xff\xff\xff", key, &at), kf_not_found);
}

TEST_F(keyed_file, records_are_released_and_keys_deleted)
{
    put("aaaa", "x");
    int64_t at = 0;
    ASSERT_EQ(kf_find(store, "aaaa", &at), 0);
    EXPECT_EQ(kf_delete_key(store, "aaaa"), 0);
    EXPECT_EQ(kf_find(store, "aaaa", &at), kf_not_found);
    EXPECT_EQ(kf_release(store, at), 0);
    size_t n = 0;
    EXPECT_NE(kf_length(store, at, &n), 0);
    // A write of another length than the record's is refused.
    ASSERT_EQ(kf_allocate(store, 3, &at), 0);
    EXPECT_EQ(kf_write(store, at, "abcd", 4), kf_bad_argument);
    char small[2];
    EXPECT_EQ(kf_read(store, at, small, 2), kf_bad_argument);
}

TEST_F(keyed_file, what_is_written_survives_closing_and_a_change_can_be_undone)
{
    put("keep", "kept");
    ASSERT_EQ(kf_begin(store), 0);
    put("lose", "lost");
    ASSERT_EQ(kf_rollback(store), 0);
    ASSERT_EQ(kf_close(store), 0);
    store = nullptr;
    ASSERT_EQ(kf_open(path.c_str(), 4, 0, 1, &store), 0);
    EXPECT_EQ(get("keep"), "kept");
    EXPECT_EQ(get("lose"), "<none>");
}

TEST_F(keyed_file, a_file_of_another_layout_or_no_store_at_all_is_refused)
{
    kf_close(store);
    store = nullptr;
    kf_store* other = nullptr;
    EXPECT_EQ(kf_open(path.c_str(), 6, 0, 0, &other), kf_wrong_layout);
    EXPECT_EQ(kf_open(path.c_str(), 4, 50, 0, &other), kf_wrong_layout);
    dir.write("garbage.db", std::string(4096, 'g'));
    EXPECT_NE(kf_open(dir.file("garbage.db").c_str(), 4, 0, 0, &other), 0);
    EXPECT_NE(kf_open(dir.file("missing.db").c_str(), 4, 0, 0, &other), 0);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(kf_delete(path.c_str()), 0);
    EXPECT_EQ(kf_delete(path.c_str()), 0);
}

TEST_F(keyed_file, fixed_length_records_take_exactly_their_length)
{
    kf_store* fixed = nullptr;
    ASSERT_EQ(kf_create(dir.file("fixed.db").c_str(), 2, 8, 0, &fixed), 0);
    int64_t at = 0;
    EXPECT_EQ(kf_allocate(fixed, 7, &at), kf_bad_argument);
    ASSERT_EQ(kf_allocate(fixed, 8, &at), 0);
    EXPECT_EQ(kf_write(fixed, at, "12345678", 8), 0);
    kf_close(fixed);
}
