#include <gtest/gtest.h>

#include "ui/layout.h"

namespace {

// A 1024 x 700 client area with a toolbar, the status bar and the chat
// line, the splitters unset and the camera taking any size.
layout_input fresh()
{
    layout_input in{};
    in.width = 1024;
    in.height = 700;
    in.toolbar_height = 27;
    in.status_height = 21;
    in.entry_height = 22;
    in.tabx = in.webx = in.chaty = -1;
    in.web_open = 1;
    in.view_max_width = 1920;
    in.view_max_height = 1080;
    return in;
}

layout_result run(const layout_input& in)
{
    layout_result r{};
    layout_compute(in, &r);
    return r;
}

}  // namespace

TEST(layout, fresh_settings_give_the_default_columns)
{
    layout_result r = run(fresh());
    EXPECT_EQ(r.top, 27);
    EXPECT_EQ(r.bottom, 679);
    EXPECT_EQ(r.tab.x, 0);
    EXPECT_EQ(r.tab.width, 164);  // up to x = 164, the splitter at 165
    EXPECT_EQ(r.view.x, 166);
    EXPECT_EQ(r.view.y, 27);
    EXPECT_EQ(r.view.height, 300 - 27 - 1);
    EXPECT_EQ(r.view.width, 475 - 165 - 1);
    EXPECT_EQ(r.web.x, 476);
    EXPECT_EQ(r.web.width, 1024 - 475 - 1);
    EXPECT_EQ(r.web.height, 679 - 27);
    // The console fills what the view and the chat line leave.
    EXPECT_EQ(r.console.y, 301);
    EXPECT_EQ(r.console.y + r.console.height, 679 - 22 - 1);
    EXPECT_EQ(r.entry.y + r.entry.height - 1, 679);
    EXPECT_FALSE(r.chaty_reduced);
    EXPECT_FALSE(r.columns_reduced);
}

TEST(layout, a_narrow_window_pulls_the_boundaries_in)
{
    layout_input in = fresh();
    in.width = 400;
    layout_result r = run(in);
    EXPECT_EQ(r.webx, 380);
    EXPECT_EQ(r.tabx, 165);

    in.width = 150;
    r = run(in);
    EXPECT_EQ(r.webx, 130);
    EXPECT_EQ(r.tabx, 110);

    // A short window keeps the view's splitter between its limits.
    in = fresh();
    in.height = 200;
    r = run(in);
    EXPECT_EQ(r.chaty, 200 - 21 - 45);
    in.chaty = 0;
    r = run(in);
    EXPECT_EQ(r.chaty, 27 + 10);
}

TEST(layout, splitters_are_dragged_within_their_limits)
{
    layout_input in = fresh();
    layout_result r = run(in);
    EXPECT_EQ(layout_drag_clamp(in, r, splitter_tab, 5), 20);
    EXPECT_EQ(layout_drag_clamp(in, r, splitter_tab, 600), 475 - 20);
    EXPECT_EQ(layout_drag_clamp(in, r, splitter_web, 100), 165 + 20);
    EXPECT_EQ(layout_drag_clamp(in, r, splitter_web, 2000), 1024 - 20);
    EXPECT_EQ(layout_drag_clamp(in, r, splitter_chat, 0), 27 + 10);
    EXPECT_EQ(layout_drag_clamp(in, r, splitter_chat, 690), 700 - 21 - 30);
    in.web_open = 0;
    r = run(in);
    EXPECT_EQ(layout_drag_clamp(in, r, splitter_tab, 900), 900);
    EXPECT_EQ(layout_drag_clamp(in, r, splitter_tab, 1100), 1024 - 20);
}

TEST(layout, only_the_tab_splitter_reacts_while_the_web_pane_is_closed)
{
    layout_input in = fresh();
    layout_result open = run(in);
    EXPECT_EQ(layout_splitter_at(open, 1, 165, 200), splitter_tab);
    EXPECT_EQ(layout_splitter_at(open, 1, 163, 200), splitter_tab);
    EXPECT_EQ(layout_splitter_at(open, 1, 162, 200), splitter_none);
    EXPECT_EQ(layout_splitter_at(open, 1, 476, 200), splitter_web);
    EXPECT_EQ(layout_splitter_at(open, 1, 300, 299), splitter_chat);
    EXPECT_EQ(layout_splitter_at(open, 1, 300, 302), splitter_none);
    // Nothing is a splitter up in the toolbar.
    EXPECT_EQ(layout_splitter_at(open, 1, 165, 10), splitter_none);

    in.web_open = 0;
    layout_result closed = run(in);
    EXPECT_EQ(closed.right, 1024);
    EXPECT_EQ(closed.view.width, 1024 - 165 - 1);
    EXPECT_EQ(layout_splitter_at(closed, 0, 165, 200), splitter_tab);
    EXPECT_EQ(layout_splitter_at(closed, 0, 475, 200), splitter_none);
    EXPECT_EQ(layout_splitter_at(closed, 0, 800, 299), splitter_chat);
}

TEST(layout, the_camera_limit_moves_the_boundaries)
{
    layout_input in = fresh();
    in.view_max_width = 200;
    in.view_max_height = 150;
    layout_result r = run(in);
    EXPECT_TRUE(r.chaty_reduced);
    EXPECT_EQ(r.chaty, 27 + 150);
    EXPECT_TRUE(r.columns_reduced);
    EXPECT_EQ(r.tabx, 165);
    EXPECT_EQ(r.webx, 165 + 200);
    EXPECT_EQ(r.web.x, 366);

    // Without the web pane the tab column widens instead.
    in.web_open = 0;
    r = run(in);
    EXPECT_EQ(r.left, 1024 - 200);
    EXPECT_EQ(r.tabx, 824);
    EXPECT_EQ(r.tab.width, 823);
    EXPECT_EQ(r.view.width, 1024 - 824 - 1);
}
