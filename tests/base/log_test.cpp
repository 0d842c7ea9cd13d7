#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/log.h"
#include "base/profile.h"
#include "support/temp_dir.h"

namespace {

uint32_t fake_now = 0;
uint32_t fake_clock() { return fake_now; }

// Runs each test in a folder of its own, since the log is written to the
// working directory.
class log_file : public ::testing::Test {
protected:
    void SetUp() override
    {
        log_reset();
        ASSERT_TRUE(getcwd(previous, sizeof previous));
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        fake_now = 1000;
        clock_set_source(fake_clock);
    }

    void TearDown() override
    {
        log_reset();
        clock_set_source(nullptr);
        EXPECT_EQ(chdir(previous), 0);
    }

    void settings(const std::string& debug)
    {
        dir.write("vireo.ini", "[debug]\n" + debug);
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        log_init(profile_int);
    }

    temp_dir dir;
    char previous[4096] = {};
};

}  // namespace

TEST_F(log_file, each_line_times_the_step_until_the_next_message)
{
    // With trace on, reading the switches logs each read; vrml logs none.
    settings("vrml=1\n");
    log_write("A");
    fake_now += 12;
    log_write("B %d", 2);
    fake_now += 345;
    log_write("C");
    // The held message C is never written.
    EXPECT_EQ(dir.read("vireo.log"), "   12: A\n  345: B 2\n");
}

TEST_F(log_file, all_turns_on_every_category_whatever_the_keys_say)
{
    settings("all=1\ntrace=0\nvrml=0\n");
    EXPECT_EQ(log_trace() + log_tasks() + log_database() + log_sound() + log_disk() +
                  log_download() + log_visible() + log_texture() + log_chunk() +
                  log_universe() + log_elements() + log_vrml(),
              12);
}

TEST_F(log_file, switches_are_on_only_when_exactly_one)
{
    settings("trace=2\ntasks=1\ndisk=-1\nvrml=1\n");
    EXPECT_EQ(log_trace(), 0);
    EXPECT_EQ(log_tasks(), 1);
    EXPECT_EQ(log_disk(), 0);
    EXPECT_EQ(log_vrml(), 1);
    EXPECT_EQ(log_sound(), 0);
}

TEST_F(log_file, a_new_run_truncates_and_flush_mode_appends_per_message)
{
    dir.write("vireo.log", "old run\n");
    settings("flush=1\n");
    EXPECT_EQ(dir.read("vireo.log"), "");
    log_write("one");
    fake_now += 5;
    log_write("two");
    EXPECT_EQ(dir.read("vireo.log"), "    5: one\n");
    fake_now += 7;
    log_write("three");
    // Each line is on disk as soon as the next message is logged.
    EXPECT_EQ(dir.read("vireo.log"), "    5: one\n    7: two\n");

    log_reset();
    dir.write("vireo.log", "old run\n");
    settings("vrml=1\n");
    log_write("x");
    log_write("y");
    EXPECT_EQ(dir.read("vireo.log"), "    0: x\n");
}

TEST_F(log_file, an_unwritable_log_writes_nothing_and_does_not_crash)
{
    settings("vrml=1\n");
    ASSERT_EQ(mkdir("vireo.log", 0755), 0);
    log_write("lost");
    log_write("also lost");
    struct stat st {};
    ASSERT_EQ(stat("vireo.log", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(log_file, the_observer_sees_every_message)
{
    static std::vector<std::string> seen;
    seen.clear();
    log_set_observer([](const char* text) { seen.emplace_back(text); });
    log_write("first");
    log_write("second %s", "line");
    log_set_observer(nullptr);
    log_write("unseen");
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "second line"}));
}

TEST_F(log_file, passwords_show_as_stars_and_the_settings_file_is_the_owners_only)
{
    settings("trace=1\n");
    chmod("vireo.ini", 0644);
    static std::vector<std::string> seen;
    seen.clear();
    log_set_observer([](const char* text) { seen.emplace_back(text); });
    profile_set_string("citizen", "password", "hunter2");
    EXPECT_STREQ(profile_string("citizen", "Password"), "hunter2");
    profile_set_encrypted_string("citizen", "pass", "hunter2");
    std::string scrambled = profile_string("citizen", "pass");
    EXPECT_STREQ(profile_encrypted_string("citizen", "pass"), "hunter2");
    profile_set_string("citizen", "name", "Wren");
    log_set_observer(nullptr);
    std::vector<std::string> expected = {
        "profile_set_string (citizen, password, ***)",
        "profile_string (citizen, Password): ***",
        "profile_set_encrypted_string (citizen, pass, ***)",
        "profile_set_encrypted_string (citizen, pass, ***)",
        "profile_string (citizen, pass): ***",
        "profile_encrypted_string (citizen, pass): ***",
        "profile_set_string (citizen, name, Wren)",
    };
    EXPECT_EQ(seen, expected);
    struct stat st {};
    ASSERT_EQ(stat("vireo.ini", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}
