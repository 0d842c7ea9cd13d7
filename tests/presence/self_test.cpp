#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/key.h"
#include "app/key_map.h"
#include "base/clock.h"
#include "base/tick.h"
#include "behavior/behavior.h"
#include "presence/collide.h"
#include "presence/mouse.h"
#include "presence/self.h"
#include "presence/teleport.h"
#include "render/clump.h"

namespace {

// A box from lo to hi, its faces turned outward.
rw_clump* make_box(glm::vec3 lo, glm::vec3 hi)
{
    float v[24];
    for (int i = 0; i < 8; ++i) {
        v[i * 3] = i & 1 ? hi.x : lo.x;
        v[i * 3 + 1] = i & 2 ? hi.y : lo.y;
        v[i * 3 + 2] = i & 4 ? hi.z : lo.z;
    }
    static const int faces[] = {0, 4, 6, 0, 6, 2, 1, 3, 7, 1, 7, 5, 0, 1, 5, 0, 5, 4,
                                2, 6, 7, 2, 7, 3, 0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6};
    return rw_clump_create(v, 8, faces, 12);
}

struct object {
    rw_clump* clump;
    int solid;
    int bumps = 0;
};

// The world of one test: a ground and objects in the cell at ground zero.
struct fake_world {
    rw_clump* ground = nullptr;
    std::vector<object> objects;
    size_t next = 0;
    bool serving = false;
};

fake_world* world = nullptr;
uint32_t fake_now = 0;

uint32_t fake_clock()
{
    return fake_now;
}

object* as_object(const element* e)
{
    return reinterpret_cast<object*>(const_cast<element*>(e));
}

const collide_world hooks = {
    [] { return world->ground; },
    [](int cx, int cz) {
        world->serving = cx == 0 && cz == 0;
        world->next = 0;
    },
    []() -> element* {
        if (!world->serving || world->next >= world->objects.size())
            return nullptr;
        return reinterpret_cast<element*>(&world->objects[world->next++]);
    },
    [](const element* e) { return as_object(e)->clump; },
    [](const element* e) { return as_object(e)->solid; },
    [](element* e) {
        ++as_object(e)->bumps;
        return 0;
    },
};

class self_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        world = &w;
        clock_set_source(fake_clock);
        fake_now = 100000;
        tick_update();
        collide_set_world(&hooks);
        key_clear();
        self_set_flying(0);
        w.ground = make_box({-50, -1, -50}, {50, 0, 50});
        w.objects.reserve(4);
    }

    void TearDown() override
    {
        key_clear();
        collide_set_world(nullptr);
        clock_set_source(nullptr);
        rw_clump_destroy(w.ground);
        clear();
        world = nullptr;
    }

    void clear()
    {
        for (object& o : w.objects)
            rw_clump_destroy(o.clump);
        w.objects.clear();
    }

    object& add(glm::vec3 lo, glm::vec3 hi, int solid = 1)
    {
        w.objects.push_back({make_box(lo, hi), solid});
        return w.objects.back();
    }

    // A teleport or warp command, run as the frame loop runs a posted one.
    static void run(const char* command)
    {
        behavior_post(command);
        behavior_update();
    }

    // Frames of 20 ms.
    void frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            fake_now += 20;
            tick_update();
            self_update();
        }
    }

    void place(double x, double y, double z, float yaw)
    {
        self_set_position(x, y, z, yaw);
        frames(1);
    }

    glm::dvec3 at()
    {
        double x, y, z;
        float yaw;
        self_position(&x, &y, &z, &yaw);
        return {x, y, z};
    }

    fake_world w;
};

TEST_F(self_test, gravity_damping_and_walking_speeds)
{
    // Falling, the damping of 0.6 a second holds the speed at 0.98 / 0.6.
    place(0.5, 100, 0.5, 0);
    frames(500);
    double y0 = at().y;
    frames(50);
    EXPECT_NEAR((y0 - at().y) / 1.0, 0.98 / 0.6, 0.01);
    // Without a ground there is no gravity at all.
    rw_clump* ground = w.ground;
    w.ground = nullptr;
    place(0.5, 5, 0.5, 0);
    frames(50);
    EXPECT_DOUBLE_EQ(at().y, 5);
    w.ground = ground;

    // Walking north at 2.25 m/s, running at 9; landed on the ground.
    place(0.5, 0.001, 0.2, 0);
    key_down(vk_up);
    frames(30);
    EXPECT_NEAR(self_speed(), 2.25, 0.01);
    EXPECT_GT(at().z, 0.2);
    EXPECT_NEAR(at().x, 0.5, 1e-9);
    EXPECT_GE(at().y, 0.0);
    EXPECT_LT(at().y, 0.01);
    key_down(vk_control);
    frames(30);
    EXPECT_NEAR(self_speed(), 9, 0.05);
    key_up(vk_control);
    key_up(vk_up);

    // A mover whose cursor stays at the centre walks only while the right
    // button is held.
    static const mouse_view centred = {
        [](int* x, int* y) { *x = 100, *y = 50; }, [](int, int) {}, [](int) {},
        [](int* width, int* height) { *width = 200, *height = 100; }};
    mouse_set_view(centred);
    mouse_as_mover();
    place(0.5, 0.001, 0.2, 0);
    frames(10);
    EXPECT_DOUBLE_EQ(at().z, 0.2);
    key_down(vk_rbutton);
    frames(10);
    key_up(vk_rbutton);
    mouse_as_picker();
    mouse_set_view({});
    EXPECT_GT(at().z, 0.22);

    // Flying, the horizontal speed decays by 1 - 0.6 t each frame.
    place(0.5, 2, 0.2, 0);
    key_down(vk_add);
    key_down(vk_up);
    frames(20);
    key_up(vk_add);
    key_up(vk_up);
    frames(1);
    double before = self_speed();
    ASSERT_GT(before, 0.5);
    frames(50);
    EXPECT_NEAR(self_speed() / before, std::pow(1 - 0.6 * 0.02, 50), 1e-3);
}

TEST_F(self_test, steps_walls_and_shift)
{
    // A step 0.05 high is climbed in one frame; one of 0.07 stops the user.
    add({0.4, 0, 0.5}, {0.6, 0.05, 0.7});
    add({0.0, 0, 0.5}, {0.2, 0.07, 0.7});
    for (double x : {0.5, 0.1}) {
        place(x, 0.001, 0.4, 0);
        key_down(vk_up);
        double highest_rise = 0, last_y = at().y;
        for (int i = 0; i < 60; ++i) {
            frames(1);
            highest_rise = std::max(highest_rise, at().y - last_y);
            last_y = at().y;
        }
        key_up(vk_up);
        if (x == 0.5) {
            EXPECT_GT(highest_rise, 0.045);
            EXPECT_GT(at().z, 0.55);
        } else {
            EXPECT_LT(at().y, 0.01);
            EXPECT_LT(at().z, 0.5 - 0.02);
        }
    }
    clear();

    // Walking north-west into a wall across the way slides along it.
    add({-1, 0, 0.45}, {2, 0.5, 0.55});
    place(0.5, 0.001, 0.4, 45);
    key_down(vk_up);
    frames(60);
    key_up(vk_up);
    EXPECT_LT(at().z, 0.45 - 0.02);
    EXPECT_GT(at().x, 0.6);

    // Shift walks through it, gravity waits, and the frame after Shift is
    // let go still counts as Shift.
    place(0.5, 0.2, 0.4, 0);
    double y = at().y;
    key_down(vk_shift);
    key_down(vk_up);
    frames(100);
    EXPECT_GT(at().z, 0.6);
    EXPECT_NEAR(at().y, y, 0.005);
    key_up(vk_shift);
    y = at().y;
    frames(1);
    EXPECT_NEAR(at().y, y, 1e-4);
    y = at().y;
    frames(1);
    EXPECT_LT(at().y, y - 3e-4);
    key_up(vk_up);
}

TEST_F(self_test, bumps_fire_once_until_another_object_is_touched)
{
    object& a = add({0.4, 0, 0.5}, {0.6, 0.3, 0.6}, 0);
    object& b = add({0.4, 0, 0.8}, {0.6, 0.3, 0.9}, 0);
    object& wall = add({0.3, 0, 1.5}, {0.7, 0.3, 1.6}, 1);
    place(0.5, 0.001, 0.3, 0);
    auto walk = [&](int key, int n) {
        key_down(key);
        frames(n);
        key_up(key);
    };
    walk(vk_up, 200);
    EXPECT_GT(at().z, 0.95);
    EXPECT_EQ((std::vector<int>{a.bumps, b.bumps}), (std::vector<int>{1, 1}));
    // Back through both: b is still the object touched last.
    walk(vk_down, 200);
    EXPECT_LT(at().z, 0.45);
    EXPECT_EQ((std::vector<int>{a.bumps, b.bumps}), (std::vector<int>{2, 1}));
    // Pushing into a wall for seconds fires it once.
    walk(vk_up, 400);
    EXPECT_GT(at().z, 1.4);
    EXPECT_EQ((std::vector<int>{a.bumps, b.bumps, wall.bumps}), (std::vector<int>{2, 2, 1}));
}

TEST_F(self_test, positions_warps_and_limits)
{
    // Ground zero exactly becomes x = 0.001.
    place(0, 0.001, 0, 0);
    EXPECT_DOUBLE_EQ(at().x, 0.001);
    // A place outside the world's limits is ignored, also from a text; an
    // absurd heading is brought into range.
    self_set_position(40000, 0, 0, 0);
    self_set_position(0.5, 250, 0.5, 0);
    run("teleport 99999N 0W");
    run("warp 0N 0W 1e300a");
    EXPECT_DOUBLE_EQ(at().x, 0.001);
    EXPECT_EQ(self_is_gliding(), 0);
    run("teleport 0.5N 0.5W 0a 3690");
    double x, y, z;
    float yaw;
    self_position(&x, &y, &z, &yaw);
    EXPECT_FLOAT_EQ(yaw, 90);

    teleport_history_push();
    int back = 0, forward = 0, back_after = 0;
    teleport_history_counts(&back, &forward);
    // A warp mixing relative and absolute numbers is refused; one of less
    // than 10 units adds no history entry and glides there.
    run("warp +1 50W");
    EXPECT_EQ(self_is_gliding(), 0);
    run("warp +0 +0 +1a");
    EXPECT_EQ(self_is_gliding(), 1);
    double highest = 0;
    for (int i = 0; i < 200; ++i) {
        frames(1);
        highest = std::max(highest, at().y);
    }
    EXPECT_EQ(self_is_gliding(), 0);
    EXPECT_NEAR(highest, 1.001, 0.06);
    teleport_history_counts(&back_after, &forward);
    EXPECT_EQ(back_after, back);
    run("warp 20N 0W");
    teleport_history_counts(&back_after, &forward);
    EXPECT_EQ(back_after, back + 1);
    frames(400);
    EXPECT_NEAR(at().z, 20, 0.1);
}

}  // namespace
