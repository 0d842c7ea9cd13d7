#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/log.h"
#include "support/temp_dir.h"
#include "world/database.h"

namespace {

std::vector<std::string> boxes;

// Message boxes answer themselves and are collected from the log.
class store : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(database_init(), 1);
        boxes.clear();
        log_set_observer([](const char* text) {
            if (std::strncmp(text, "message box: ", 13) == 0)
                boxes.emplace_back(text + 13);
        });
        name = dir.file("cell");
        db = database_open(name.c_str(), 6, 0, 16384, 4096, 0, 0);
        ASSERT_NE(db, nullptr);
    }
    void TearDown() override
    {
        database_close(db);
        log_set_observer(nullptr);
    }

    std::string fetch(const char* key)
    {
        char buffer[1200];
        size_t length = 0;
        if (!database_fetch(db, key, buffer, sizeof buffer, &length))
            return "<none>";
        return std::string(buffer, length);
    }

    temp_dir dir;
    std::string name;
    database* db = nullptr;
};

}  // namespace

TEST_F(store, records_replace_and_an_empty_record_deletes_its_key)
{
    EXPECT_EQ(fetch("key001"), "<none>");
    EXPECT_EQ(database_key_exists(db, "key001"), 0);
    ASSERT_EQ(database_store(db, "key001", "one", 3), 1);
    ASSERT_EQ(database_store(db, "key001", "first", 5), 1);
    EXPECT_EQ(fetch("key001"), "first");
    EXPECT_EQ(database_key_exists(db, "key001"), 1);
    ASSERT_EQ(database_store(db, "key001", nullptr, 0), 1);
    EXPECT_EQ(fetch("key001"), "<none>");
    EXPECT_EQ(database_key_exists(db, "key001"), 0);

    // A record longer than the caller's buffer is not copied.
    std::string big(2000, 'b');
    ASSERT_EQ(database_store(db, "big000", big.data(), big.size()), 1);
    EXPECT_EQ(fetch("big000"), "<none>");
    uint8_t* all = nullptr;
    size_t length = 0;
    ASSERT_EQ(database_fetch_unknown(db, "big000", &all, &length), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(all), length), big);
    std::free(all);
    EXPECT_TRUE(boxes.empty());

    // With the store's log on, closing logs the engine's outcome after the
    // engine is gone.
    log_init([](const char*, const char* key) { return std::strcmp(key, "database") == 0 ? 1 : -1; });
    database_close(db);
    db = nullptr;
    log_reset();
}

TEST_F(store, the_walk_goes_in_key_order_and_starts_again_at_the_end)
{
    for (const char* key : {"key003", "key001", "key002"})
        database_store(db, key, key, 6);
    std::vector<std::string> seen;
    char key[6];
    uint8_t* record = nullptr;
    size_t length = 0;
    while (database_next(db, key, &record, &length)) {
        seen.emplace_back(key, 6);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(record), length), seen.back());
        std::free(record);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"key001", "key002", "key003"}));
    ASSERT_EQ(database_next(db, key, &record, &length), 1);
    EXPECT_EQ(std::string(key, 6), "key001");
    std::free(record);
}

TEST_F(store, what_is_stored_is_there_after_reopening_and_gone_after_a_reset)
{
    database_store(db, "key001", "kept", 4);
    database_close(db);
    db = database_open(name.c_str(), 6, 0, 16384, 4096, 0, 0);
    EXPECT_EQ(fetch("key001"), "kept");
    database_reset(db);
    EXPECT_EQ(fetch("key001"), "<none>");
}

TEST_F(store, a_file_overwritten_with_garbage_is_made_anew_at_open_without_a_word)
{
    database_store(db, "key001", "lost", 4);
    database_close(db);
    dir.write("cell.db", std::string(8192, '\x5a'));
    db = database_open(name.c_str(), 6, 0, 16384, 4096, 0, 0);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(fetch("key001"), "<none>");
    ASSERT_EQ(database_store(db, "key002", "new", 3), 1);
    EXPECT_EQ(fetch("key002"), "new");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(store, damage_found_while_in_use_is_repaired_with_a_message_and_an_empty_store)
{
    for (int i = 0; i < 200; ++i) {
        std::string key = "key" + std::to_string(100 + i);
        std::string data(300, static_cast<char>('a' + i % 26));
        database_store(db, key.c_str(), data.data(), data.size());
    }
    database_close(db);
    // The file's first pages (its header and layout) are sound; the pages
    // of the records and keys behind them are scribbled over.
    int fd = open((name + ".db").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    std::string junk(40000, '\x5a');
    ASSERT_EQ(pwrite(fd, junk.data(), junk.size(), 4 * 4096), static_cast<ssize_t>(junk.size()));
    close(fd);
    db = database_open(name.c_str(), 6, 0, 16384, 4096, 0, 0);
    EXPECT_TRUE(boxes.empty());

    EXPECT_EQ(fetch("key220"), "<none>");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("was encountered in a cache file.  Vireo will attempt to repair the "
                            "error and continue."),
              std::string::npos)
        << boxes[0];
    // The store works again, empty.
    EXPECT_EQ(fetch("key121"), "<none>");
    ASSERT_EQ(database_store(db, "key200", "again", 5), 1);
    EXPECT_EQ(fetch("key200"), "again");
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(store, fixed_length_records_are_padded)
{
    database* dates = database_open(dir.file("download").c_str(), 50, 50, 4096, 4096, 1, 0);
    std::string key(50, 'k');
    ASSERT_EQ(database_store(dates, key.data(), "short", 5), 1);
    char buffer[50];
    size_t length = 0;
    ASSERT_EQ(database_fetch(dates, key.data(), buffer, sizeof buffer, &length), 1);
    EXPECT_EQ(length, 50u);
    EXPECT_EQ(std::string(buffer, 5), "short");
    EXPECT_EQ(buffer[49], 0);
    database_close(dates);
}
