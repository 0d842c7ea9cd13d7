#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdint>

#include "app/loop.h"
#include "app/os.h"
#include "base/msgbox.h"

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
