#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdint>

#include <glm/gtc/matrix_transform.hpp>

#include "app/loop.h"
#include "app/os.h"
#include "assets/driver.h"
#include "assets/scene.h"
#include "base/clock.h"
#include "base/msgbox.h"
#include "presence/camera.h"
#include "presence/self.h"
#include "render/camera.h"
#include "render/clump.h"
#include "render/raster.h"
#include "render/render.h"
#include "render/rwx.h"
#include "render/scene.h"
#include "render/texture.h"

TEST(loop, no_frame_runs_while_an_error_box_is_up)
{
    uint64_t before = loop_frames();
    main_update();
    EXPECT_EQ(loop_frames(), before + 1);

    uint64_t during = 0;
    int showing = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box)
            return;
        // The frame timer still fires inside the box's own loop.
        main_update();
        during = loop_frames();
        showing = os_error_showing();
        box->close();
    });
    closer.start(10);
    // This box must really be up, not answered at once.
    msgbox_answer_automatically(0);
    os_error("Unable to open %s", "cache");
    msgbox_answer_automatically(1);
    closer.stop();

    EXPECT_EQ(showing, 1);
    EXPECT_EQ(during, before + 1);
    EXPECT_EQ(os_error_showing(), 0);
    main_update();
    EXPECT_EQ(loop_frames(), before + 2);
}

TEST(loop, the_frame_timer_runs_slowly_while_the_program_is_inactive)
{
    EXPECT_EQ(loop_period(), -1);
    loop_start();
    EXPECT_EQ(loop_period(), 500);
    loop_set_active(0);
    EXPECT_EQ(loop_period(), 1000);
    EXPECT_EQ(loop_inactive(), 1);
    loop_set_active(1);
    EXPECT_EQ(loop_period(), 0);
    EXPECT_EQ(loop_inactive(), 0);
    loop_stop();
    EXPECT_EQ(loop_period(), -1);

    // Activation while a start-up dialog was open, before the timer existed.
    loop_set_active(1);
    loop_start();
    EXPECT_EQ(loop_period(), 0);
    loop_stop();
}

namespace {

uint32_t now_ms = 1000;
uint32_t fake_clock()
{
    return now_ms;
}

}  // namespace

// Frames keep running, but a picture is drawn only for a change, and no
// sooner than the redraw period (17 ms at the default 60 a second) after
// the last one.
TEST(loop, a_frame_redraws_only_what_changed_and_no_faster_than_the_display)
{
    driver_set_default_format();
    if (!driver_init())
        GTEST_SKIP() << "no OpenGL 3.3 context here";
    driver_make_current();
    ASSERT_EQ(rw_open("test: "), 0);
    clock_set_source(fake_clock);
    ASSERT_EQ(camera_init(), 0);
    ASSERT_EQ(scene_init(), 0);
    const char* box = "clumpbegin\ntexture wall\nblock 1 1 1\nclumpend\n";
    rw_clump* clump = rw_rwx_read(box, std::char_traits<char>::length(box));
    rw_texture* wall = rw_texture_create("wall", rw_raster_create(4, 4));
    rw_clump_set_texture(clump, 0, wall);
    rw_scene_add_clump(scene_get(), clump);
    EXPECT_EQ(camera_redraw_period(), 17);

    // Runs a frame `ms` after the last and tells whether it drew a picture.
    auto frame_drew = [](uint32_t ms) {
        now_ms += ms;
        uint64_t before = camera_images();
        uint64_t frames = loop_frames();
        main_update();
        EXPECT_EQ(loop_frames(), frames + 1);
        return camera_images() > before;
    };
    self_set_position(0, 0, -3, 0);
    EXPECT_TRUE(frame_drew(0));
    EXPECT_FALSE(frame_drew(100));
    EXPECT_EQ(camera_pending(), 0);

    // The user moves, and the camera with him: drawn at the next frame that
    // the period allows.
    self_set_position(0, 0, -5, 0);
    EXPECT_TRUE(frame_drew(20));
    self_set_position(1, 0, -5, 0);
    EXPECT_FALSE(frame_drew(5));
    EXPECT_EQ(camera_pending(), 1);
    EXPECT_TRUE(frame_drew(12));
    // The same place again is no change.
    self_set_position(1, 0, -5, 0);
    EXPECT_FALSE(frame_drew(100));

    // New pixels for a texture the scene shows, and a new view size.
    rw_texture_set_raster(wall, rw_raster_create(8, 8));
    EXPECT_TRUE(frame_drew(100));
    EXPECT_FALSE(frame_drew(100));
    int width = 320, height = 240;
    camera_resize(&width, &height);
    EXPECT_TRUE(frame_drew(100));
    EXPECT_FALSE(frame_drew(100));

    rw_texture_destroy(wall);
    rw_clump_destroy(clump);
    scene_term();
    camera_term();
    rw_close();
    driver_term();
    clock_set_source(nullptr);
}
