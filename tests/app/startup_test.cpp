#include <gtest/gtest.h>

#include "app/display.h"
#include "app/perform.h"
#include "base/profile.h"
#include "support/temp_dir.h"

TEST(perform, small_memories_stop_the_start_or_turn_the_extras_off)
{
    temp_dir dir;
    dir.write("vireo.ini", "[performance]\n");
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    EXPECT_EQ(perform_init(0x5FFFFF), 0);
    ASSERT_EQ(perform_init(0xEFFFFF), 1);
    EXPECT_EQ(perform_avatars(), 0);
    EXPECT_EQ(perform_lifeforms(), 0);
    ASSERT_EQ(perform_init(0xF00000), 1);
    EXPECT_EQ(perform_avatars(), 1);
    EXPECT_EQ(perform_lifeforms(), 1);
    // A stored setting wins over the default.
    profile_set_int("performance", "avatars", 0);
    ASSERT_EQ(perform_init(uint64_t{1} << 32), 1);
    EXPECT_EQ(perform_avatars(), 0);
    EXPECT_EQ(perform_lifeforms(), 1);
    EXPECT_GT(perform_memory(), 0x600000u);
}

TEST(display, only_displays_below_fifteen_bits_are_warned_about)
{
    EXPECT_EQ(display_should_warn(8, -1), 1);
    EXPECT_EQ(display_should_warn(8, 1), 0);
    EXPECT_EQ(display_should_warn(8, 0), 1);
    EXPECT_EQ(display_should_warn(15, -1), 0);
    EXPECT_EQ(display_should_warn(16, -1), 0);
    EXPECT_EQ(display_should_warn(24, -1), 0);
}
