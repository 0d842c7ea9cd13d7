#include <gtest/gtest.h>

#include "app/placement.h"

TEST(placement, saved_positions_are_used_when_on_screen)
{
    placement p = placement_compute(100, 50, 640, 480, 1024, 768);
    EXPECT_EQ(p.system_position, 0);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    // Partly off the left edge is still reachable.
    EXPECT_EQ(placement_compute(-300, 0, 640, 480, 1024, 768).system_position, 0);
}

TEST(placement, the_system_places_a_window_that_would_be_lost)
{
    EXPECT_EQ(placement_compute(5000, 10, 640, 480, 1024, 768).system_position, 1);
    EXPECT_EQ(placement_compute(1024, 10, 640, 480, 1024, 768).system_position, 1);
    EXPECT_EQ(placement_compute(10, 768, 640, 480, 1024, 768).system_position, 1);
    EXPECT_EQ(placement_compute(-1, 10, 640, 480, 1024, 768).system_position, 1);
    EXPECT_EQ(placement_compute(10, -1, 640, 480, 1024, 768).system_position, 1);
    EXPECT_EQ(placement_compute(-700, 10, 640, 480, 1024, 768).system_position, 1);
    EXPECT_EQ(placement_compute(10, -500, 640, 480, 1024, 768).system_position, 1);
}
