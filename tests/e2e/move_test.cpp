#include <gtest/gtest.h>

#include <QImage>
#include <QJsonObject>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "support/server_process.h"
#include "support/vireo_home.h"

namespace {

double at(const QJsonObject& state, const char* axis)
{
    return state["position"].toObject()[axis].toDouble();
}

// The mean difference of the sky band of two pictures when the second is
// shifted sideways by `shift` pixels.
double sky_difference(const QImage& a, const QImage& b, int shift)
{
    double sum = 0;
    int n = 0;
    for (int y = 4; y < a.height() / 4; y += 2) {
        for (int x = 4; x < a.width() - 4; ++x) {
            int bx = x + shift;
            if (bx < 4 || bx >= b.width() - 4)
                continue;
            QColor p = a.pixelColor(x, y), q = b.pixelColor(bx, y);
            sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                   std::abs(p.blue() - q.blue());
            ++n;
        }
    }
    return n ? sum / n : std::numeric_limits<double>::max();
}

}  // namespace

// Wren walks north from ground zero, turns, runs into the house, leaves for
// gate and comes back with Back.
TEST(move, walking_turning_walls_and_back)
{
    server_process server;
    ASSERT_TRUE(server.ready()) << server.log();
    vireo_home home;
    home.log_in(server.universe_port());
    process_result r = home.run(
        "until elements 26 60000\n"
        "until cells 9 60000\n"
        "sleep 2500\n"
        "state start.json\n"
        "key 38 down\n"
        "wait 30\n"
        "state walking.json\n"
        "key 38 up\n"
        "sleep 500\n"
        "screenshot before.png\n"
        "key 37 down\n"
        "wait 3\n"
        "key 37 up\n"
        "sleep 500\n"
        "screenshot after.png\n"
        "teleport qo 2N 1.5E 0.1a 270\n"
        "sleep 1500\n"
        "state house.json\n"
        "key 17 down\n"
        "key 38 down\n"
        "sleep 1500\n"
        "key 38 up\n"
        "key 17 up\n"
        "sleep 500\n"
        "state wall.json\n"
        "teleport gate\n"
        "until console Welcome to Gate 30000\n"
        "state gate.json\n"
        "menu 107\n"
        "sleep 1500\n"
        "state back.json\n"
        "quit 0\n",
        {}, 180000);
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();

    // Standing on the square at ground zero, facing north.
    QJsonObject start = home.state("start.json");
    EXPECT_EQ(start["place"].toObject()["cell"].toString(), "ground zero");
    EXPECT_EQ(start["place"].toObject()["facing"].toString(), "N");
    EXPECT_EQ(start["window_title"].toString(), "qo at ground zero facing N");
    EXPECT_NEAR(at(start, "y"), 0.0, 0.05);

    // Up held: north at walking speed (2.25 m/s), less the first frames'
    // gathering of speed.
    QJsonObject walking = home.state("walking.json");
    double held = (walking["clock_ms"].toDouble() - start["clock_ms"].toDouble()) / 1000;
    double walked = at(walking, "z") - at(start, "z");
    EXPECT_GT(walked, 0.6 * 0.225 * held);
    EXPECT_LE(walked, 0.225 * held + 0.01);
    EXPECT_NEAR(at(walking, "x"), at(start, "x"), 1e-6);

    // Turning moves the panorama sideways: the sky matches itself shifted.
    QImage before(QString::fromStdString(home.file("before.png")));
    QImage after(QString::fromStdString(home.file("after.png")));
    ASSERT_FALSE(before.isNull());
    ASSERT_FALSE(after.isNull());
    int best = 0;
    double best_difference = sky_difference(before, after, 0);
    for (int shift = -300; shift <= 300; shift += 2) {
        double d = sky_difference(before, after, shift);
        if (d < best_difference) {
            best_difference = d;
            best = shift;
        }
    }
    EXPECT_NE(best, 0);
    EXPECT_LT(best_difference, 0.5 * sky_difference(before, after, 0));

    // Running east into the house stops at its wall.
    QJsonObject house = home.state("house.json");
    EXPECT_EQ(house["window_title"].toString(), "qo at 2N 2E facing E");
    EXPECT_NEAR(at(house, "x"), -1.5, 0.01);
    QJsonObject wall = home.state("wall.json");
    EXPECT_LT(at(wall, "x"), -1.6);
    EXPECT_GT(at(wall, "x"), -1.72);
    EXPECT_NEAR(at(wall, "z"), 2.0, 0.05);

    // To gate and Back: qo at the same place, with the way forward open.
    QJsonObject gate = home.state("gate.json");
    EXPECT_EQ(gate["world"].toString(), "gate");
    EXPECT_GE(gate["history"].toObject()["back"].toInt(), 1);
    QJsonObject back = home.state("back.json");
    EXPECT_EQ(back["world"].toString(), "qo");
    EXPECT_NEAR(at(back, "x"), at(wall, "x"), 0.01);
    EXPECT_NEAR(at(back, "z"), at(wall, "z"), 0.01);
    EXPECT_EQ(back["history"].toObject()["forward"].toInt(), 1);
}
