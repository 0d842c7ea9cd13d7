#include <gtest/gtest.h>

#include "presence/coords.h"

TEST(coords, places_read_and_written)
{
    const place here{3, 2, 4, 45};
    place p{};
    ASSERT_EQ(coords_parse("40N 50W", here, &p), 1);
    EXPECT_DOUBLE_EQ(p.z, 40);
    EXPECT_DOUBLE_EQ(p.x, 50);
    EXPECT_DOUBLE_EQ(p.y, 0.1);
    EXPECT_FLOAT_EQ(p.yaw, 0);
    ASSERT_EQ(coords_parse("40S 50E 2a 90", here, &p), 1);
    EXPECT_DOUBLE_EQ(p.z, -40);
    EXPECT_DOUBLE_EQ(p.x, -50);
    EXPECT_DOUBLE_EQ(p.y, 2);
    EXPECT_FLOAT_EQ(p.yaw, 90);
    ASSERT_EQ(coords_parse("12.5n 0.5e", here, &p), 1);
    EXPECT_DOUBLE_EQ(p.z, 12.5);
    EXPECT_DOUBLE_EQ(p.x, -0.5);
    // Relative places add to where the user is.
    ASSERT_EQ(coords_parse("+0 +0 +1a", here, &p), 1);
    EXPECT_DOUBLE_EQ(p.x, 3);
    EXPECT_DOUBLE_EQ(p.z, 4);
    EXPECT_DOUBLE_EQ(p.y, 3);
    EXPECT_FLOAT_EQ(p.yaw, 45);
    ASSERT_EQ(coords_parse("-1 +2 -90", here, &p), 1);
    EXPECT_DOUBLE_EQ(p.z, 3);
    EXPECT_DOUBLE_EQ(p.x, 5);
    EXPECT_FLOAT_EQ(p.yaw, -45);
    for (const char* bad : {"+1 50W", "10N +2", "10X 5W", "10N", "10N 5W 3b", "10N 5W 1a 2 3", ""})
        EXPECT_EQ(coords_parse(bad, here, &p), 0) << bad;

    EXPECT_STREQ(coords_format({-0.5, 1.24, 12.3, -90}), "12.3N 0.5E 1.2a 270");
    place back{};
    ASSERT_EQ(coords_parse(coords_format({7.25, 0.5, -3.75, 180}), here, &back), 1);
    EXPECT_NEAR(back.x, 7.25, 0.05);
    EXPECT_NEAR(back.z, -3.75, 0.05);
    EXPECT_FLOAT_EQ(back.yaw, 180);
}
