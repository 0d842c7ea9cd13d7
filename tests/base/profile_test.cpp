#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/log.h"
#include "base/profile.h"
#include "base/settings.h"
#include "support/temp_dir.h"

namespace {

class profile : public ::testing::Test {
protected:
    void SetUp() override
    {
        log_reset();
        dir.write("vireo.ini", "; settings\n[disk]\nlimit=5\n");
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    }

    temp_dir dir;
};

}  // namespace

TEST_F(profile, init_tells_whether_the_file_exists)
{
    temp_dir empty;
    EXPECT_EQ(profile_init(empty.path().c_str(), "/vireo.ini"), 0);
    // Writes to a missing file are dropped, never creating it.
    profile_set_int("a", "b", 1);
    EXPECT_EQ(profile_int("a", "b"), -1);
    EXPECT_EQ(empty.read("vireo.ini"), "");
}

TEST_F(profile, integers_round_trip_and_missing_keys_read_minus_one)
{
    EXPECT_EQ(profile_int("layout", "main_x"), -1);
    profile_set_int("layout", "main_x", -250);
    EXPECT_EQ(profile_int("Layout", "MAIN_X"), -250);
    profile_set_int("layout", "main_x", 17);
    EXPECT_EQ(profile_int("layout", "main_x"), 17);
    // A stored -1 reads as not set.
    profile_set_int("layout", "main_y", -1);
    EXPECT_EQ(profile_int("layout", "main_y"), -1);
    EXPECT_NE(dir.read("vireo.ini").find("; settings\n"), std::string::npos);
}

TEST_F(profile, integers_read_like_the_private_profile_reader)
{
    dir.write("vireo.ini", "[n]\ntext=abc\nlead=12abc\nempty=\nbig=99999999999\n");
    EXPECT_EQ(profile_int("n", "text"), 0);
    EXPECT_EQ(profile_int("n", "lead"), 12);
    EXPECT_EQ(profile_int("n", "empty"), 0);
    EXPECT_EQ(profile_int("n", "big"), 2147483647);
}

TEST_F(profile, strings_are_cut_to_127_characters_and_empty_when_missing)
{
    EXPECT_STREQ(profile_string("citizen", "name"), "");
    profile_set_string("citizen", "name", std::string(300, 'x').c_str());
    EXPECT_EQ(std::strlen(profile_string("citizen", "name")), 127u);
    // The empty string keeps the key.
    profile_set_string("citizen", "name", "");
    EXPECT_STREQ(profile_string("citizen", "name"), "");
    EXPECT_NE(dir.read("vireo.ini").find("name=\n"), std::string::npos);
}

TEST_F(profile, the_sixth_string_read_reuses_the_first_buffer)
{
    for (int i = 0; i < 6; ++i)
        profile_set_string("s", ("k" + std::to_string(i)).c_str(), std::to_string(i).c_str());
    const char* results[6];
    for (int i = 0; i < 6; ++i)
        results[i] = profile_string("s", ("k" + std::to_string(i)).c_str());
    EXPECT_EQ(results[5], results[0]);
    EXPECT_STREQ(results[0], "5");
    for (int i = 1; i < 5; ++i) {
        EXPECT_NE(results[i], results[0]);
        EXPECT_STREQ(results[i], std::to_string(i).c_str());
    }
}

TEST_F(profile, scrambled_strings_round_trip_as_lower_case_hex)
{
    profile_set_encrypted_string("citizen", "pass", "hunter2");
    std::string stored = profile_string("citizen", "pass");
    EXPECT_EQ(stored.size(), 14u);
    EXPECT_EQ(stored.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_STREQ(profile_encrypted_string("citizen", "pass"), "hunter2");
}

TEST_F(profile, scrambled_strings_with_odd_or_short_hex)
{
    profile_set_encrypted_string("c", "p", "ab");
    std::string two_bytes = profile_string("c", "p");

    // A single digit reads as the empty string.
    profile_set_string("c", "p", "a");
    EXPECT_STREQ(profile_encrypted_string("c", "p"), "");
    // An odd last digit is ignored.
    profile_set_string("c", "p", (two_bytes + "7").c_str());
    EXPECT_STREQ(profile_encrypted_string("c", "p"), "ab");
    // One pair is one byte.
    profile_set_string("c", "p", two_bytes.substr(0, 2).c_str());
    EXPECT_STREQ(profile_encrypted_string("c", "p"), "a");
    // Upper-case digits read too.
    std::string upper = two_bytes;
    for (char& ch : upper)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    profile_set_string("c", "p", upper.c_str());
    EXPECT_STREQ(profile_encrypted_string("c", "p"), "ab");
}

TEST_F(profile, settings_apply_defaults_and_limits)
{
    EXPECT_EQ(settings_int("disk", "limit"), 20);
    profile_set_int("disk", "limit", 5000);
    EXPECT_EQ(settings_int("disk", "limit"), 999);
    profile_set_int("disk", "limit", 0);
    EXPECT_EQ(settings_int("disk", "limit"), 0);
    profile_set_int("disk", "limit", -1);
    EXPECT_EQ(settings_int("disk", "limit"), 50);

    EXPECT_EQ(settings_int("disk", "delete"), 0);
    profile_set_int("disk", "delete", 365);
    EXPECT_EQ(settings_int("disk", "delete"), 180);
    profile_set_int("disk", "delete", -7);
    EXPECT_EQ(settings_int("disk", "delete"), 1);

    EXPECT_EQ(settings_int("layout", "main_width"), 640);
    profile_set_int("layout", "main_width", 100);
    EXPECT_EQ(settings_int("layout", "main_width"), 300);
    EXPECT_EQ(settings_int("show", "web"), 1);
    EXPECT_EQ(settings_int("layout", "telegram_sort"), 1);
    // Keys without a default read as stored.
    EXPECT_EQ(settings_int("proxy", "port"), -1);
}
