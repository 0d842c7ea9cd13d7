#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

#include "app/disk.h"
#include "base/clock.h"
#include "base/main.h"
#include "base/profile.h"
#include "engines/keyed_file.h"
#include "support/temp_dir.h"

namespace {

constexpr off_t megabyte = 1048576;

// A clock that moves on by `step` ms at every reading.
uint32_t now_ms = 0;
uint32_t step_ms = 1;
uint32_t stepping_clock()
{
    now_ms += step_ms;
    return now_ms;
}

class disk : public ::testing::Test {
protected:
    void SetUp() override
    {
        main_set_directory(dir.path().c_str());
        std::filesystem::create_directories(dir.path() + "/cache/art/host/models");
        now_ms = 1000;
        step_ms = 1;
        clock_set_source(stepping_clock);
    }
    void TearDown() override
    {
        disk_term();
        clock_set_source(nullptr);
    }

    void settings(int limit, int days)
    {
        dir.write("vireo.ini", "[disk]\nlimit=" + std::to_string(limit) +
                                   "\ndelete=" + std::to_string(days) + "\n");
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        disk_init();
    }

    // A sparse file of the size, last written `days_ago` days ago.
    std::string file(const std::string& name, off_t size, int days_ago)
    {
        std::string path = dir.path() + "/cache/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        EXPECT_EQ(ftruncate(fd, size), 0);
        close(fd);
        timespec times[2];
        times[0].tv_sec = times[1].tv_sec = std::time(nullptr) - days_ago * 86400L - 60;
        times[0].tv_nsec = times[1].tv_nsec = 0;
        utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path;
    }

    static bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

    // Runs frames (30 s of clock apart, past the first-scan wait) until a
    // whole scan has ended; returns how many frames it took.
    int run_scan()
    {
        now_ms += 31000;
        int frames = 0;
        do {
            disk_update();
            ++frames;
        } while (disk_phase() != disk_idle && frames < 100000);
        return frames;
    }

    temp_dir dir;
};

}  // namespace

TEST_F(disk, no_limit_never_trims_and_no_age_never_deletes)
{
    settings(0, 0);
    std::string old = file("art/host/models/old.zip", 30 * megabyte, 400);
    file("art/host/models/new.zip", 30 * megabyte, 0);
    run_scan();
    EXPECT_TRUE(exists(old));
    EXPECT_EQ(disk_total(), 60 * megabyte);
}

TEST_F(disk, files_unused_for_the_set_days_go_whatever_the_limit)
{
    settings(0, 10);
    std::string stale = file("art/host/models/stale.zip", 1000, 11);
    std::string recent = file("art/host/models/recent.zip", 1000, 9);
    run_scan();
    EXPECT_FALSE(exists(stale));
    EXPECT_TRUE(exists(recent));
    EXPECT_EQ(disk_total(), 1000);
}

TEST_F(disk, a_store_held_open_is_neither_deleted_by_age_nor_trimmed)
{
    settings(20, 10);
    std::string path = dir.path() + "/cache/art/host/download";
    kf_store* store = nullptr;
    ASSERT_EQ(kf_create(path.c_str(), 50, 50, 1, &store), 0);
    timespec stale[2] = {{std::time(nullptr) - 11 * 86400L, 0}, {std::time(nullptr) - 11 * 86400L, 0}};
    utimensat(AT_FDCWD, path.c_str(), stale, 0);
    std::string old = file("art/host/models/old.zip", 1000, 11);
    std::string large = file("art/host/models/large.zip", 25 * megabyte, 5);
    run_scan();
    EXPECT_TRUE(exists(path));
    EXPECT_FALSE(exists(old));
    EXPECT_FALSE(exists(large));
    EXPECT_EQ(kf_close(store), 0);
    utimensat(AT_FDCWD, path.c_str(), stale, 0);
    now_ms += 900000;
    run_scan();
    EXPECT_FALSE(exists(path));
}

TEST_F(disk, the_oldest_files_go_until_the_tree_fits_but_not_one_used_since_the_scan)
{
    settings(20, 0);
    std::string oldest = file("art/host/models/a.zip", 8 * megabyte, 5);
    std::string older = file("art/host/models/b.zip", 8 * megabyte, 4);
    std::string old = file("art/host/models/c.zip", 8 * megabyte, 3);
    std::string newest = file("art/host/models/d.zip", 8 * megabyte, 0);
    // One step a frame: stop when the scan is done and trimming is next.
    step_ms = 100;
    now_ms += 31000;
    int frames = 0;
    while (disk_phase() != disk_trimming && frames++ < 1000)
        disk_update();
    ASSERT_EQ(disk_phase(), disk_trimming);
    utimensat(AT_FDCWD, oldest.c_str(), nullptr, 0);  // used now
    run_scan();
    EXPECT_TRUE(exists(oldest));
    EXPECT_FALSE(exists(older));
    EXPECT_FALSE(exists(old));
    EXPECT_TRUE(exists(newest));
    EXPECT_EQ(disk_total(), 16 * megabyte);
}

TEST_F(disk, empty_folders_go_except_inside_the_art_and_world_caches)
{
    settings(50, 0);
    std::filesystem::create_directories(dir.path() + "/cache/pictures/empty");
    std::filesystem::create_directories(dir.path() + "/cache/art/host/sounds");
    std::filesystem::create_directories(dir.path() + "/cache/property/qo");
    file("kept/file.bin", 10, 0);
    run_scan();
    EXPECT_FALSE(exists(dir.path() + "/cache/pictures/empty"));
    // Its parent held a folder when it was listed; it goes at the next scan.
    EXPECT_TRUE(exists(dir.path() + "/cache/pictures"));
    now_ms += 900000;
    run_scan();
    EXPECT_FALSE(exists(dir.path() + "/cache/pictures"));
    EXPECT_TRUE(exists(dir.path() + "/cache/art/host/sounds"));
    EXPECT_TRUE(exists(dir.path() + "/cache/property/qo"));
    EXPECT_TRUE(exists(dir.path() + "/cache/kept/file.bin"));
    EXPECT_TRUE(exists(dir.path() + "/cache"));
}

TEST_F(disk, a_frame_spends_at_most_its_budget_and_the_first_scan_waits)
{
    settings(50, 0);
    for (int i = 0; i < 300; ++i)
        file("art/host/models/m" + std::to_string(i) + ".zip", 10, 0);
    // Before 30 s nothing happens.
    disk_update();
    EXPECT_EQ(disk_phase(), disk_idle);
    EXPECT_EQ(disk_total(), -1);
    step_ms = 7;
    now_ms += 31000;
    int frames = 0;
    do {
        uint32_t before = now_ms;
        disk_update();
        // One step may run past the 50 ms, no more.
        EXPECT_LE(now_ms - before, 50u + 3 * step_ms);
        ++frames;
    } while (disk_phase() != disk_idle);
    EXPECT_GT(frames, 30);
    EXPECT_EQ(disk_total(), 3000);
    // The next scan is 15 minutes away.
    disk_update();
    EXPECT_EQ(disk_phase(), disk_idle);
}

TEST_F(disk, lowering_the_limit_starts_a_scan_at_the_next_frame)
{
    settings(100, 0);
    now_ms += 31000;
    run_scan();
    disk_update();
    EXPECT_EQ(disk_phase(), disk_idle);
    disk_apply(1, 50, 0, 30);
    EXPECT_EQ(disk_limit(), 50);
    step_ms = 100;
    disk_update();
    EXPECT_NE(disk_phase(), disk_idle);
    EXPECT_EQ(profile_int("disk", "limit"), 50);
    // Raising it again waits for the regular scan; no limit writes 0.
    run_scan();
    disk_apply(1, 80, 0, 30);
    disk_update();
    EXPECT_EQ(disk_phase(), disk_idle);
    disk_apply(0, 80, 1, 400);
    EXPECT_EQ(profile_int("disk", "limit"), 0);
    EXPECT_EQ(profile_int("disk", "delete"), 180);
    disk_update();
    EXPECT_NE(disk_phase(), disk_idle);
}
