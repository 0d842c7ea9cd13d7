#include <gtest/gtest.h>

#include "presence/mouse.h"

namespace {

// A 200 × 100 view whose cursor the test moves by hand.
struct fake_cursor {
    int x = 0;
    int y = 0;
    int shown = 1;
};

fake_cursor fake;

const mouse_view view = {
    [](int* x, int* y) {
        *x = fake.x;
        *y = fake.y;
    },
    [](int x, int y) {
        fake.x = x;
        fake.y = y;
    },
    [](int shown) { fake.shown = shown; },
    [](int* width, int* height) {
        *width = 200;
        *height = 100;
    },
};

void expect_cursor(int x, int y, int shown)
{
    EXPECT_EQ(fake.x, x);
    EXPECT_EQ(fake.y, y);
    EXPECT_EQ(fake.shown, shown);
}

void expect_steer(int turn, int forward)
{
    int t = -1, f = -1;
    mouse_steer(&t, &f);
    EXPECT_EQ(t, turn);
    EXPECT_EQ(f, forward);
}

}  // namespace

TEST(mouse, a_mover_holds_the_hidden_cursor_at_the_centre_and_steers_by_its_distance)
{
    fake = fake_cursor{30, 40, 1};
    mouse_set_view(view);
    mouse_init();

    // A picker leaves the cursor alone and does not steer.
    EXPECT_TRUE(mouse_is_picker());
    mouse_activate();
    expect_steer(0, 0);
    expect_cursor(30, 40, 1);

    mouse_as_mover();
    EXPECT_TRUE(mouse_is_mover());
    EXPECT_FALSE(mouse_is_picker());
    expect_cursor(100, 50, 0);
    // Moving up and to the left walks forward and turns left.
    fake.x = 90;
    fake.y = 45;
    expect_steer(10, 5);
    expect_cursor(100, 50, 0);
    int x, y;
    mouse_client_position(&x, &y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);

    // Activation reported twice keeps the first saved place; switching
    // away gives the cursor back where it was, and nothing steers meanwhile.
    mouse_activate();
    mouse_deactivate();
    expect_cursor(30, 40, 1);
    fake.x = 5;
    expect_steer(0, 0);
    mouse_activate();
    expect_cursor(100, 50, 0);

    mouse_as_picker();
    EXPECT_TRUE(mouse_is_picker());
    expect_cursor(5, 40, 1);
    mouse_as_picker();
    mouse_deactivate();
    expect_cursor(5, 40, 1);
    mouse_set_view({});
}
