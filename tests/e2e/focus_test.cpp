#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QJsonObject>

#include <string>

#include "support/server_process.h"
#include "support/vireo_home.h"

namespace {

// Pixels of the focus label's light yellow in a square reaching this far
// right of and below a point.
int label_pixels(const QImage& image, int x, int y, int reach)
{
    int count = 0;
    for (int v = y; v <= y + reach; ++v)
        for (int u = x; u <= x + reach; ++u)
            count += image.valid(u, v) && image.pixelColor(u, v) == QColor(255, 255, 180);
    return count;
}

}  // namespace

// Five metres south of ground zero of qo, standing on the square and facing
// north, the sign "Welcome to qo" stands straight ahead, a little above the
// 3D view's centre (the view is 474 × 267 with the web pane closed). The
// program has a display of its own: the pointer it moves stays there.
TEST(focus, resting_on_a_sign_shows_its_description_and_a_mover_clicks_back_to_picking)
{
    server_process server;
    ASSERT_TRUE(server.ready()) << server.log();
    vireo_home home;
    home.log_in(server.universe_port());
    home.set("show", "web", "0");
    process_result r = home.run(
        "until elements 26 60000\n"
        "until cells 9 60000\n"
        "teleport qo 0.5S 0W 0.3a 0\n"
        "sleep 2000\n"
        "mouse move 237 118\n"
        "wait 2\n"
        "state early.json\n"
        "sleep 800\n"
        "state focus.json\n"
        "screenshot-view focus.png\n"
        "mouse move 237 40\n"
        "wait 2\n"
        "state sky.json\n"
        "menu 118\n"
        "wait 2\n"
        "state mover.json\n"
        "click left 237 118\n"
        "wait 2\n"
        "state picker.json\n"
        "quit 0\n",
        {}, 60000, 24);
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();

    EXPECT_EQ(home.state("early.json")["mode"].toString(), "picker");
    EXPECT_TRUE(home.state("early.json")["focus"].isNull());
    EXPECT_EQ(home.state("focus.json")["focus"].toString(), "Welcome to qo");
    // The label's box starts 10 pixels right of and below the cursor.
    QImage view(QString::fromStdString(home.file("focus.png")));
    ASSERT_FALSE(view.isNull());
    EXPECT_GT(label_pixels(view, 237, 118, 40), 100);
    EXPECT_TRUE(home.state("sky.json")["focus"].isNull());
    EXPECT_EQ(home.state("mover.json")["mode"].toString(), "mover");
    EXPECT_TRUE(home.state("mover.json")["focus"].isNull());
    EXPECT_EQ(home.state("picker.json")["mode"].toString(), "picker");
}
