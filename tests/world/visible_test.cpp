#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/fps.h"
#include "app/status.h"
#include "app/status_window.h"
#include "assets/download.h"
#include "assets/model.h"
#include "base/clock.h"
#include "base/log.h"
#include "base/main.h"
#include "base/profile.h"
#include "base/tick.h"
#include "presence/self.h"
#include "support/temp_dir.h"
#include "world/cell.h"
#include "world/database.h"
#include "world/element.h"
#include "world/visible.h"
#include "world/world.h"

namespace {

// Time stands still except where a test moves it: each element the loader
// makes "takes" load_ms, charged when the loader logs it.
uint32_t now_ms = 0;
int load_ms = 0;
std::vector<std::string> lines;
std::vector<std::string> pane_texts;

void observe(const char* text)
{
    lines.emplace_back(text);
    if (std::string(text) == "element_loaded")
        now_ms += static_cast<uint32_t>(load_ms);
}

bool logged(const char* text) { return std::find(lines.begin(), lines.end(), text) != lines.end(); }

// A world entered offline ("qo", whose server has answered with no
// attributes but its name) with the visibility log on.
class visibility : public ::testing::Test {
protected:
    void start(const std::string& settings)
    {
        ASSERT_TRUE(getcwd(previous, sizeof previous));
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        dir.write("vireo.ini", "[debug]\nvisible=1\n[performance]\n" + settings);
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        main_set_directory(dir.path().c_str());
        log_reset();
        log_init(profile_int);
        lines.clear();
        log_set_observer(observe);
        load_ms = 0;
        now_ms = 100000;
        clock_set_source([] { return now_ms; });
        tick_update();
        fps_reset();
        ASSERT_EQ(database_init(), 1);
        download_init();
        ASSERT_EQ(model_init(), 0);
        ASSERT_EQ(world_init(), 0);
        ASSERT_EQ(cell_init(), 0);
        ASSERT_EQ(world_enter("qo", 0), 0);
        const uint8_t attributes[] = {16, 2, 'q', 'o'};
        world_options_reply(attributes, sizeof attributes, 0);
        ASSERT_EQ(world_entered(), 1);
        visible_init();
        self_set_position(0.5, 0, 0.5, 0);
    }
    void TearDown() override
    {
        visible_term();
        status_set_view({status_window_set_parts, status_window_set_text});
        cell_term();
        world_term();
        model_term();
        download_term();
        fps_reset();
        clock_set_source(nullptr);
        log_set_observer(nullptr);
        log_reset();
        if (previous[0]) {
            EXPECT_EQ(chdir(previous), 0);
        }
    }

    // One frame, `ms` after the last.
    static void frame(uint32_t ms = 10)
    {
        now_ms += ms;
        tick_update();
        visible_update();
    }

    // Stores `count` elements in a cell.
    static void fill(int cx, int cz, int count)
    {
        cell_update_begin(cx, cz);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(cell_element_add(i, 1, 0, 500, 0, 500, 0, "box", 3, "", 0, "", 0), 1);
        ASSERT_EQ(cell_update_end(), 1);
    }

    static int elements_in(int cx, int cz)
    {
        visible_start(cx, cz);
        int n = 0;
        while (visible_next())
            ++n;
        return n;
    }
    // Cells loaded and live elements; the loading times.
    static std::vector<int> loaded() { return {visible_cells_loaded(), element_count()}; }
    static std::vector<int> times()
    {
        return {visible_last_work_ms(), visible_worst_work_ms(), visible_slowest_cell_ms()};
    }

    // The budget (first) or the work index (second) of each do_work line
    // logged so far.
    static std::vector<int> work_lines(bool index)
    {
        std::vector<int> found;
        for (const std::string& line : lines) {
            int v[4];
            if (std::sscanf(line.c_str(), "visible: do_work (budget: %d, moving: %d, "
                            "current_cell: %d, range: %d)", &v[0], &v[1], &v[2], &v[3]) == 4)
                found.push_back(v[index ? 2 : 0]);
        }
        return found;
    }

    // The range after a frame at a measured rate of frames / (span_ms /
    // 10000): ten one-second buckets of `frames` each, read `span_ms` after
    // the first. The clock moves well past the 5 s between range changes.
    static int range_at_rate(int frames, uint32_t span_ms = 10000)
    {
        fps_reset();
        uint32_t base = now_ms + 1;
        for (uint32_t i = 0; i < 10; ++i) {
            now_ms = base + 1001 * i;
            tick_update();
            for (int f = 0; f < frames; ++f)
                fps_update();
        }
        now_ms = base + span_ms;
        tick_update();
        visible_update();
        return visible_range();
    }

    temp_dir dir;
    char previous[4096] = {};
};

}  // namespace

TEST(visible_order, the_table_lists_every_cell_within_120_metres_nearest_first)
{
    // The 5 × 5 block comes first, in the order loading has always taken it.
    const int first[25][2] = {{0, 0},   {1, 0},   {0, 1},  {-1, 0}, {0, -1}, {-1, -1}, {1, -1},
                              {-1, 1},  {1, 1},   {-2, 0}, {2, 0},  {0, -2}, {0, 2},   {-2, 1},
                              {-2, -1}, {2, -1},  {2, 1},  {1, -2}, {-1, -2}, {-1, 2}, {1, 2},
                              {2, 2},   {2, -2},  {-2, -2}, {-2, 2}};
    const visible_offset* t = visible_table();
    auto metres = [](int dx, int dz) {
        return static_cast<int>(10 * std::sqrt(dx * dx + dz * dz));
    };
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < visible_table_size; ++i) {
        if (i < 25) {
            EXPECT_EQ(std::make_pair(t[i].dx, t[i].dz), std::make_pair(first[i][0], first[i][1]))
                << i;
        }
        EXPECT_TRUE(seen.insert({t[i].dx, t[i].dz}).second) << "twice: " << i;
        EXPECT_EQ(t[i].metres, metres(t[i].dx, t[i].dz)) << i;
        EXPECT_TRUE(i == 0 || t[i - 1].metres <= t[i].metres) << i;
    }
    // Every offset within reach is listed, but for six at exactly 120 m.
    const std::set<std::pair<int, int>> missing = {{-1, 12}, {0, 12},  {1, 12},
                                                   {12, -1}, {12, 0}, {12, 1}};
    for (int dz = -13; dz <= 13; ++dz)
        for (int dx = -13; dx <= 13; ++dx)
            EXPECT_EQ(seen.count({dx, dz}) != 0, metres(dx, dz) <= 120 && !missing.count({dx, dz}))
                << dx << ", " << dz;
}

TEST_F(visibility, the_range_follows_the_frame_rate_between_the_minimum_and_the_table_end)
{
    pane_texts.clear();
    status_set_view({[](const int*, const char* const*, int) {},
                     [](int, const char* text) { pane_texts.emplace_back(text); }});
    start("visibility=10\n");
    EXPECT_EQ(visible_range(), 4);
    EXPECT_EQ(visible_range_metres(), 10);
    frame();

    // A new minimum applies at the next change, and raises the range; the
    // rate at the target (7) changes nothing. At 29 frames a second: 22
    // steps of 15 entries.
    profile_set_int("performance", "visibility", 40);
    EXPECT_EQ(range_at_rate(7), 48);
    profile_set_int("performance", "visibility", 60);
    EXPECT_EQ(range_at_rate(7), 120);
    EXPECT_EQ(range_at_rate(29), 450);
    // Within 5 s of the last change nothing changes, however fast; nor does
    // exactly one frame a second off the target.
    frame(1000);
    EXPECT_GT(fps_rate(), 20.0);
    EXPECT_EQ(visible_range(), 450);
    EXPECT_EQ(range_at_rate(8), 450);
    EXPECT_EQ(range_at_rate(6), 450);
    // 8.5 frames a second: one step, capped at the table's end.
    EXPECT_EQ(range_at_rate(17, 20000), 458);
    EXPECT_EQ(visible_range_metres(), 120);

    // The pane shows the distance and the choice is kept.
    visible_toggle();
    EXPECT_EQ(profile_int("show", "visibility"), 1);
    ASSERT_FALSE(pane_texts.empty());
    EXPECT_EQ(pane_texts.back(), "120 meters");
    // No frames at all: seven steps down each time, never below the minimum.
    std::vector<int> ranges;
    for (int i = 0; i < 4; ++i) {
        fps_reset();
        frame(5001);
        ranges.push_back(visible_range());
    }
    EXPECT_EQ(ranges, (std::vector<int>{353, 248, 143, 120}));
    EXPECT_EQ(pane_texts.back(), "60 meters");
    EXPECT_EQ(visible_cells_loaded(), 120);
    visible_toggle();
    EXPECT_EQ(profile_int("show", "visibility"), 0);

    profile_set_int("performance", "visibility", 200);
    frame(5001);
    EXPECT_EQ(visible_range(), 458);
}

TEST_F(visibility, loading_keeps_to_its_budget_of_milliseconds)
{
    start("visibility=120\n");
    ASSERT_EQ(visible_range(), 458);
    for (int i = 0; i < 30; ++i)
        fill(visible_table()[i].dx, visible_table()[i].dz, 1);

    // The 3 × 3 block loads whatever it costs: 9 cells of 100 ms against
    // a budget of 50. The debt stops at 300 ms, and 50 ms come back each
    // frame it lasts.
    load_ms = 100;
    frame();
    EXPECT_EQ(visible_cells_loaded(), 9);
    EXPECT_EQ(times(), (std::vector<int>{900, 900, 100}));
    for (int i = 0; i < 8; ++i)
        frame();
    EXPECT_EQ(visible_cells_loaded(), 10);
    EXPECT_EQ(visible_last_work_ms(), 100);
    EXPECT_EQ(work_lines(false), (std::vector<int>{50, -300, -250, -200, -150, -100, -50, 0, 50}));
    // Nothing moved or shrank since the first frame: no cell was examined.
    EXPECT_TRUE(logged("no cleanup needed"));

    // Cheaper cells: at 20 ms each a budget of 50 takes three, ending one
    // cell over.
    load_ms = 20;
    frame();
    EXPECT_EQ(visible_cells_loaded(), 10);
    frame();
    EXPECT_EQ(loaded(), (std::vector<int>{13, 13}));
    EXPECT_EQ(times(), (std::vector<int>{60, 900, 100}));
    visible_reset();
    EXPECT_EQ(loaded(), (std::vector<int>{0, 0}));
    EXPECT_EQ(times(), (std::vector<int>{0, 0, 0}));
}

TEST_F(visibility, cells_load_around_the_viewer_and_go_when_out_of_range)
{
    start("visibility=10\n");
    ASSERT_EQ(visible_range(), 4);
    fill(0, 0, 2);
    fill(1, 1, 1);
    fill(5, 5, 1);

    // Below 9 entries the whole 3 × 3 block still loads.
    for (int i = 0; i < 3; ++i)
        frame();
    EXPECT_EQ(loaded(), (std::vector<int>{9, 3}));
    EXPECT_EQ(elements_in(0, 0), 2);
    EXPECT_EQ(elements_in(1, 1), 1);
    EXPECT_EQ(elements_in(5, 5), 0);

    // Building takes an element out of its cell by its clump and puts it
    // back; one built where nothing is loaded goes at once.
    visible_start(0, 0);
    element* e = visible_next();
    rw_clump* clump = element_clump(e);
    ASSERT_NE(clump, nullptr);
    EXPECT_EQ(visible_element(clump), e);
    int cx = -1, cz = -1;
    element* taken = nullptr;
    ASSERT_EQ(visible_ignore(clump, &cx, &cz, &taken), 1);
    EXPECT_EQ((std::vector<int>{cx, cz, elements_in(0, 0)}), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(taken, e);
    EXPECT_EQ(visible_element(clump), nullptr);
    visible_consider(e);
    EXPECT_EQ(elements_in(0, 0), 2);
    EXPECT_EQ(visible_element(clump), e);
    element* far = element_create(5.5, 0, 5.5, 0, "box", 3, "", 0, "", 0, 40, 1, 0, 0);
    ASSERT_NE(far, nullptr);
    EXPECT_EQ(element_count(), 4);
    visible_consider(far);
    EXPECT_EQ(element_count(), 3);

    // Invalidating a cell that is not loaded only starts the work over; a
    // loaded one is read again from the store.
    lines.clear();
    frame();
    EXPECT_TRUE(work_lines(true).empty());
    visible_invalidate(50, 50);
    frame();
    EXPECT_EQ(work_lines(true), (std::vector<int>{0}));
    EXPECT_EQ(loaded(), (std::vector<int>{9, 3}));
    fill(-1, -1, 2);
    visible_invalidate(0, 0);
    EXPECT_EQ(loaded(), (std::vector<int>{8, 1}));
    visible_invalidate(-1, -1);
    frame();
    EXPECT_EQ(loaded(), (std::vector<int>{9, 5}));
    EXPECT_EQ(elements_in(0, 0), 2);
    EXPECT_EQ(elements_in(-1, -1), 2);

    // In another cell loading starts again from the nearest, and the cells
    // left behind go.
    self_set_position(5.5, 0, 5.5, 0);
    lines.clear();
    for (int i = 0; i < 3; ++i)
        frame();
    ASSERT_FALSE(work_lines(true).empty());
    EXPECT_EQ(work_lines(true)[0], 0);
    EXPECT_EQ(loaded(), (std::vector<int>{9, 1}));
    EXPECT_EQ(elements_in(5, 5), 1);
    EXPECT_EQ(elements_in(0, 0), 0);
    EXPECT_TRUE(logged("deleting cell"));
}
