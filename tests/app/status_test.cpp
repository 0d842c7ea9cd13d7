#include <gtest/gtest.h>

#include "app/status.h"

TEST(status, panes_share_the_width_by_weight_and_the_last_gets_the_grip)
{
    status_term();
    int edges[4] = {};
    EXPECT_EQ(status_edges(640, edges, 4), 0);

    status_pane* cache = status_add(25);
    status_pane* fps = status_add(16);
    status_pane* web = status_add(26);
    ASSERT_EQ(status_edges(640, edges, 4), 3);
    // floor(weight / 67 * 625), summed, plus 15 on the last.
    EXPECT_EQ(edges[0], 233);
    EXPECT_EQ(edges[1], 233 + 149);
    EXPECT_EQ(edges[2], 233 + 149 + 242 + 15);

    status_remove(fps);
    ASSERT_EQ(status_edges(640, edges, 4), 2);
    EXPECT_EQ(edges[0], 25 * 625 / 51);
    EXPECT_EQ(edges[1], 25 * 625 / 51 + 26 * 625 / 51 + 15);

    // A bar narrower than the grip leaves the panes empty.
    ASSERT_EQ(status_edges(10, edges, 4), 2);
    EXPECT_EQ(edges[0], 0);
    EXPECT_EQ(edges[1], 15);

    status_change(cache, "ok");
    status_change(nullptr, "ignored");
    status_remove(nullptr);
    status_remove(web);
    status_remove(cache);
    EXPECT_EQ(status_edges(640, edges, 4), 0);
}
