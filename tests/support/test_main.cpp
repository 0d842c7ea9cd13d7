#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/font.h"
#include "app/wiring.h"
#include "base/msgbox.h"
#include "support/gl_context.h"

// Tests that touch widgets, fonts or local sockets need an application
// object. The offscreen platform shows nothing and starts no display
// thread (whose presence at exit can upset the leak check); its OpenGL
// still uses the display when there is one.
int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // The program's hooks as start-up sets them. No test waits on a message
    // box: each answers itself and is logged; a test that turns this off
    // sees the real dialog.
    wiring_init();
    font_init();
    msgbox_answer_automatically(1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    gl_context_close();
    return result;
}
