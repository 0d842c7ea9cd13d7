#include <gtest/gtest.h>

#include <cstdint>

#include "app/fps.h"
#include "app/frame.h"
#include "base/clock.h"
#include "base/tick.h"

namespace {

uint32_t fake_now = 0;
uint32_t fake_clock() { return fake_now; }

// Drives the frame clock as the "tick" task does.
class frame_clock : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock_set_source(fake_clock);
        at(500000);
    }
    void TearDown() override { clock_set_source(nullptr); }

    void at(uint32_t ms)
    {
        fake_now = ms;
        tick_update();
    }
};

}  // namespace

TEST_F(frame_clock, the_frame_rate_in_the_first_seconds_is_over_the_time_since_the_first_frame)
{
    fps_reset();
    uint32_t start = fake_now;
    // 50 frames a second for three seconds.
    for (int i = 0; i < 150; ++i) {
        at(start + static_cast<uint32_t>(i) * 20);
        fps_update();
    }
    EXPECT_NEAR(fps_rate(), 50.0, 1.0);
}

TEST_F(frame_clock, the_frame_rate_covers_about_the_last_ten_seconds)
{
    fps_reset();
    uint32_t t = fake_now;
    // Twenty seconds at 10 frames a second, then ten at 40.
    for (int i = 0; i < 200; ++i, t += 100) {
        at(t);
        fps_update();
    }
    for (int i = 0; i < 400; ++i, t += 25) {
        at(t);
        fps_update();
    }
    EXPECT_NEAR(fps_rate(), 40.0, 4.0);
    fps_reset();
    EXPECT_EQ(fps_rate(), 0.0);
}

TEST_F(frame_clock, texture_frames_step_every_200_ms_and_a_stall_skips_missed_steps)
{
    frame_reset();
    EXPECT_EQ(frame_update(), 0);  // the first call only sets the next step
    at(fake_now + 199);
    EXPECT_EQ(frame_update(), 0);
    at(fake_now + 1);
    EXPECT_EQ(frame_update(), 1);
    // A stall of a second steps once, not five times.
    at(fake_now + 1000);
    EXPECT_EQ(frame_update(), 1);
    EXPECT_EQ(frame_update(), 0);
    at(fake_now + 199);
    EXPECT_EQ(frame_update(), 0);
    at(fake_now + 1);
    EXPECT_EQ(frame_update(), 1);
}
