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

uint32_t fake_clock() { return now_ms; }

void observe(const char* text)
{
    lines.emplace_back(text);
    if (std::string(text) == "element_loaded")
        now_ms += static_cast<uint32_t>(load_ms);
}

// A world entered offline ("qo", whose server has answered with no
// attributes but its name) with the visibility log on.
class visibility : public ::testing::Test {
protected:
    void start(const std::string& settings)
    {
        ASSERT_TRUE(getcwd(previous, sizeof previous));
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        dir.write("vireo.ini", "[debug]\nvisible=1\n" + settings);
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        main_set_directory(dir.path().c_str());
        log_reset();
        log_init(profile_int);
        lines.clear();
        log_set_observer(observe);
        load_ms = 0;
        now_ms = 100000;
        clock_set_source(fake_clock);
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

    // The budgets and work indices of the do_work lines logged so far.
    static std::vector<std::pair<int, int>> work_lines()
    {
        std::vector<std::pair<int, int>> found;
        for (const std::string& line : lines) {
            int budget = 0, moving = 0, current = 0, range = 0;
            if (std::sscanf(line.c_str(),
                            "visible: do_work (budget: %d, moving: %d, current_cell: %d, "
                            "range: %d)",
                            &budget, &moving, &current, &range) == 4)
                found.emplace_back(budget, current);
        }
        return found;
    }

    // The frame rate the meter measures becomes frames / (span_ms / 10000):
    // ten one-second buckets of `frames` each, read `span_ms` after the
    // first. The clock moves well past the 5 s between range changes.
    static void measure_rate(int frames, uint32_t span_ms)
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
    }

    temp_dir dir;
    char previous[4096] = {};
};

}  // namespace

TEST(visible_order, the_table_lists_every_cell_within_120_metres_nearest_first)
{
    const visible_offset* t = visible_table();
    ASSERT_EQ(visible_table_size, 459);
    const int first[25][3] = {
        {0, 0, 0},    {1, 0, 10},   {0, 1, 10},   {-1, 0, 10},  {0, -1, 10},
        {-1, -1, 14}, {1, -1, 14},  {-1, 1, 14},  {1, 1, 14},   {-2, 0, 20},
        {2, 0, 20},   {0, -2, 20},  {0, 2, 20},   {-2, 1, 22},  {-2, -1, 22},
        {2, -1, 22},  {2, 1, 22},   {1, -2, 22},  {-1, -2, 22}, {-1, 2, 22},
        {1, 2, 22},   {2, 2, 28},   {2, -2, 28},  {-2, -2, 28}, {-2, 2, 28},
    };
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(t[i].dx, first[i][0]) << i;
        EXPECT_EQ(t[i].dz, first[i][1]) << i;
        EXPECT_EQ(t[i].metres, first[i][2]) << i;
    }
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < visible_table_size; ++i) {
        EXPECT_TRUE(seen.insert({t[i].dx, t[i].dz}).second) << "twice: " << i;
        EXPECT_EQ(t[i].metres,
                  static_cast<int>(10 * std::sqrt(t[i].dx * t[i].dx + t[i].dz * t[i].dz)))
            << i;
        if (i > 0) {
            EXPECT_LE(t[i - 1].metres, t[i].metres) << i;
        }
    }
    EXPECT_EQ(t[visible_table_size - 1].metres, 120);
    const std::set<std::pair<int, int>> missing = {{-1, 12}, {0, 12}, {1, 12},
                                                   {12, -1}, {12, 0}, {12, 1}};
    for (int dz = -13; dz <= 13; ++dz)
        for (int dx = -13; dx <= 13; ++dx) {
            bool within = static_cast<int>(10 * std::sqrt(dx * dx + dz * dz)) <= 120;
            bool listed = seen.count({dx, dz}) != 0;
            EXPECT_EQ(listed, within && !missing.count({dx, dz})) << dx << ", " << dz;
        }
}

TEST_F(visibility, the_range_follows_the_frame_rate_between_the_minimum_and_the_table_end)
{
    std::vector<std::string>& texts = pane_texts;
    texts.clear();
    status_set_view({[](const int*, const char* const*, int) {},
                     [](int, const char* text) { pane_texts.emplace_back(text); }});
    start("[performance]\nvisibility=10\n");
    EXPECT_EQ(visible_range(), 4);
    EXPECT_EQ(visible_range_metres(), 10);
    frame();

    // A new minimum applies at the next change, and raises the range; the
    // rate at the target (7) changes nothing.
    profile_set_int("performance", "visibility", 40);
    measure_rate(7, 10000);
    EXPECT_EQ(visible_range(), 48);
    profile_set_int("performance", "visibility", 60);
    measure_rate(7, 10000);
    EXPECT_EQ(visible_range(), 120);

    // 29 frames a second: 22 steps of 15 entries.
    measure_rate(29, 10000);
    EXPECT_EQ(visible_range(), 450);
    // Within 5 s of the last change nothing changes, however fast.
    frame(1000);
    EXPECT_GT(fps_rate(), 20.0);
    EXPECT_EQ(visible_range(), 450);
    // Exactly one frame a second off the target changes nothing either.
    measure_rate(8, 10000);
    EXPECT_EQ(visible_range(), 450);
    measure_rate(6, 10000);
    EXPECT_EQ(visible_range(), 450);
    // 8.5 frames a second: one step, capped at the table's end.
    measure_rate(17, 20000);
    EXPECT_EQ(visible_range(), 458);
    EXPECT_EQ(visible_range_metres(), 120);

    // The pane shows the distance and the choice is kept.
    visible_toggle();
    EXPECT_EQ(profile_int("show", "visibility"), 1);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "120 meters");

    // No frames at all: seven steps down each time, never below the minimum.
    std::vector<int> ranges;
    for (int i = 0; i < 4; ++i) {
        fps_reset();
        frame(5001);
        ranges.push_back(visible_range());
    }
    EXPECT_EQ(ranges, (std::vector<int>{353, 248, 143, 120}));
    EXPECT_EQ(texts.back(), "60 meters");
    EXPECT_EQ(visible_cells_loaded(), 120);
    visible_toggle();
    EXPECT_EQ(profile_int("show", "visibility"), 0);

    profile_set_int("performance", "visibility", 200);
    frame(5001);
    EXPECT_EQ(visible_range(), 458);
}

TEST_F(visibility, loading_keeps_to_its_budget_of_milliseconds)
{
    start("[performance]\nvisibility=120\n");
    ASSERT_EQ(visible_range(), 458);
    for (int i = 0; i < 30; ++i)
        fill(visible_table()[i].dx, visible_table()[i].dz, 1);

    // The 3 × 3 block loads whatever it costs: 9 cells of 100 ms against
    // a budget of 50.
    load_ms = 100;
    frame();
    EXPECT_EQ(visible_cells_loaded(), 9);
    EXPECT_EQ(visible_last_work_ms(), 900);
    // The debt stops at 300 ms, and 50 ms come back each frame it lasts.
    int frames = 0;
    while (visible_cells_loaded() == 9 && frames < 30) {
        frame();
        ++frames;
    }
    EXPECT_EQ(frames, 8);
    EXPECT_EQ(visible_cells_loaded(), 10);
    EXPECT_EQ(visible_last_work_ms(), 100);

    std::vector<int> budgets;
    for (const auto& [budget, current] : work_lines())
        budgets.push_back(budget);
    EXPECT_EQ(budgets, (std::vector<int>{50, -300, -250, -200, -150, -100, -50, 0, 50}));
    // Nothing moved or shrank since the first frame: no cell was examined.
    EXPECT_NE(std::find(lines.begin(), lines.end(), "no cleanup needed"), lines.end());

    // Cheaper cells: at 20 ms each a budget of 50 takes three, ending one
    // cell over.
    load_ms = 20;
    frame();
    EXPECT_EQ(visible_cells_loaded(), 10);
    frame();
    EXPECT_EQ(visible_cells_loaded(), 13);
    EXPECT_EQ(visible_last_work_ms(), 60);
    EXPECT_EQ(visible_worst_work_ms(), 900);
    EXPECT_EQ(visible_slowest_cell_ms(), 100);
    EXPECT_EQ(element_count(), 13);

    visible_reset();
    EXPECT_EQ(visible_cells_loaded(), 0);
    EXPECT_EQ(element_count(), 0);
    EXPECT_EQ(visible_worst_work_ms(), 0);
}

TEST_F(visibility, cells_load_around_the_viewer_and_go_when_out_of_range)
{
    start("[performance]\nvisibility=10\n");
    ASSERT_EQ(visible_range(), 4);
    fill(0, 0, 2);
    fill(1, 1, 1);
    fill(5, 5, 1);

    // Below 9 entries the whole 3 × 3 block still loads.
    for (int i = 0; i < 3; ++i)
        frame();
    EXPECT_EQ(visible_cells_loaded(), 9);
    EXPECT_EQ(elements_in(0, 0), 2);
    EXPECT_EQ(elements_in(1, 1), 1);
    EXPECT_EQ(elements_in(5, 5), 0);
    EXPECT_EQ(element_count(), 3);

    // Building takes an element out of its cell by its clump and puts it
    // back.
    visible_start(0, 0);
    element* e = visible_next();
    rw_clump* clump = element_clump(e);
    ASSERT_NE(clump, nullptr);
    EXPECT_EQ(visible_element(clump), e);
    int cx = -1, cz = -1;
    element* taken = nullptr;
    ASSERT_EQ(visible_ignore(clump, &cx, &cz, &taken), 1);
    EXPECT_EQ(taken, e);
    EXPECT_EQ(cx, 0);
    EXPECT_EQ(cz, 0);
    EXPECT_EQ(visible_element(clump), nullptr);
    EXPECT_EQ(elements_in(0, 0), 1);
    visible_consider(e);
    EXPECT_EQ(elements_in(0, 0), 2);
    EXPECT_EQ(visible_element(clump), e);
    // One built where nothing is loaded goes at once.
    element* far = element_create(5.5, 0, 5.5, 0, "box", 3, "", 0, "", 0, 40, 1, 0, 0);
    ASSERT_NE(far, nullptr);
    EXPECT_EQ(element_count(), 4);
    visible_consider(far);
    EXPECT_EQ(element_count(), 3);

    // Invalidating a cell that is not loaded only starts the work over.
    lines.clear();
    frame();
    EXPECT_TRUE(work_lines().empty());
    visible_invalidate(50, 50);
    frame();
    ASSERT_EQ(work_lines().size(), 1u);
    EXPECT_EQ(work_lines()[0].second, 0);
    EXPECT_EQ(visible_cells_loaded(), 9);
    EXPECT_EQ(element_count(), 3);
    // A loaded one is read again from the store.
    fill(-1, -1, 2);
    visible_invalidate(0, 0);
    EXPECT_EQ(visible_cells_loaded(), 8);
    EXPECT_EQ(element_count(), 1);
    visible_invalidate(-1, -1);
    frame();
    EXPECT_EQ(visible_cells_loaded(), 9);
    EXPECT_EQ(elements_in(0, 0), 2);
    EXPECT_EQ(elements_in(-1, -1), 2);
    EXPECT_EQ(element_count(), 5);

    // In another cell loading starts again from the nearest, and the cells
    // left behind go.
    self_set_position(5.5, 0, 5.5, 0);
    lines.clear();
    for (int i = 0; i < 3; ++i)
        frame();
    ASSERT_FALSE(work_lines().empty());
    EXPECT_EQ(work_lines()[0].second, 0);
    EXPECT_EQ(visible_cells_loaded(), 9);
    EXPECT_EQ(elements_in(5, 5), 1);
    EXPECT_EQ(elements_in(0, 0), 0);
    EXPECT_EQ(element_count(), 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "deleting cell"), lines.end());
}
