#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/file.h"
#include "support/temp_dir.h"

TEST(file, stores_reads_and_deletes)
{
    temp_dir dir;
    std::string path = dir.file("a.bin");
    EXPECT_EQ(file_exists(path.c_str()), 0);
    ASSERT_EQ(file_store(path.c_str(), "hello", 5), 0);
    EXPECT_EQ(file_exists(path.c_str()), 1);
    uint8_t* bytes = nullptr;
    size_t length = 0;
    ASSERT_EQ(file_read(path.c_str(), &bytes, &length), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), length), "hello");
    std::free(bytes);
    EXPECT_EQ(file_delete(path.c_str()), 0);
    EXPECT_EQ(file_exists(path.c_str()), 0);
    EXPECT_EQ(file_delete(path.c_str()), 1);
    EXPECT_EQ(file_read(path.c_str(), &bytes, &length), 1);
    EXPECT_EQ(file_read(dir.path().c_str(), &bytes, &length), 2);
    EXPECT_EQ(file_store(dir.file("no/such/folder").c_str(), "x", 1), 1);
}

TEST(file, a_path_known_to_exist_is_not_asked_again)
{
    temp_dir dir;
    std::string path = dir.file("b.bin");
    dir.write("b.bin", "x");
    EXPECT_EQ(file_exists(path.c_str()), 1);
    // Removed behind the helpers' back, it is still remembered.
    std::remove(path.c_str());
    EXPECT_EQ(file_exists(path.c_str()), 1);
    file_term();
    EXPECT_EQ(file_exists(path.c_str()), 0);
}

TEST(file, names_from_urls_and_base_names)
{
    EXPECT_EQ(file_name_from_url("HTTP://Example.org:80/a/b?c=\"d\"|*<>;\\"),
              "http---example.org-80-a-b-c=-d-------");
    EXPECT_STREQ(file_basename("tree.rwx.zip"), "tree");
    EXPECT_STREQ(file_basename("plain"), "plain");
}
