#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/msgbox_dialog.h"
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
    // No test waits on a message box: each answers itself and is logged.
    // A test that turns this off sees the real dialog.
    msgbox_set_presenter(msgbox_dialog_show);
    msgbox_answer_automatically(1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    gl_context_close();
    return result;
}
