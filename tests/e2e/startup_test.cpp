#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include "support/vireo_home.h"

namespace {

QJsonObject read_state(const vireo_home& home, const std::string& name)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(home.read(name))).object();
}

// The texts of the log's lines, without their timings.
std::vector<std::string> log_texts(const std::string& log)
{
    std::vector<std::string> texts;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        size_t colon = line.find(": ");
        texts.push_back(colon == std::string::npos ? line : line.substr(colon + 2));
    }
    return texts;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// With no universe server to talk to, the splash says so: Skip goes on
// alone (its warning box answers itself).
const std::string alone =
    "dialog About Vireo\nuntil text appears to be closed\nbutton Skip\n";

}  // namespace

TEST(startup, runs_frames_writes_its_state_and_quits_cleanly)
{
    vireo_home home;
    home.set("debug", "trace", "1");
    home.set("debug", "tasks", "1");
    home.set("show", "framerate", "1");
    home.set("show", "cache", "0");
    process_result r = home.run(
        "# a short run\n" + alone +
        "wait 30\n"
        "until title qo at ground zero\n"
        "state state.json\n"
        "screenshot view.png\n"
        "screenshot-window shot.png\n"
        "menu 102\n"
        "until text You are running standalone. 5000\n"
        "button OK\n"
        "menu 999\n"
        "wait 2\n"
        "menu 101\n");
    ASSERT_FALSE(r.timed_out) << r.output;
    EXPECT_EQ(r.exit_code, 0) << r.output;

    QJsonObject state = read_state(home, "state.json");
    // Alone, the start world is entered all the same, with what is known of
    // it (nothing yet), and the title tells where the user stands.
    EXPECT_EQ(state["window_title"].toString(), "qo at ground zero facing N");
    EXPECT_EQ(state["world"].toString(), "qo");
    EXPECT_EQ(state["elements"].toInt(), 0);
    // The View menu's look and camera items work from the start, but for
    // Look Level while the view is level.
    for (QJsonValue id : state["menu_disabled"].toArray())
        EXPECT_TRUE(id.toInt() < 124 || id.toInt() >= 131) << id.toInt();
    EXPECT_GE(state["frames"].toInt(), 30);
    EXPECT_TRUE(state["panes"].toObject()["0"].toString().endsWith(" frames/sec"));
    EXPECT_EQ(home.read("shot.png").substr(1, 3), "PNG");
    // The 3D view shows the camera's background, dark blue, inside its border.
    QImage view(QString::fromStdString(home.file("view.png")));
    ASSERT_FALSE(view.isNull());
    EXPECT_EQ(view.pixelColor(10, 10), QColor(0, 0, 178));
    EXPECT_EQ(view.width() % 2, 0);

    std::string log = home.read("vireo.log");
    EXPECT_TRUE(contains(log, ": profile_int (layout, main_x): -1\n")) << log.substr(0, 2000);
    EXPECT_TRUE(contains(log, ": cgi_init ()\n"));
    EXPECT_TRUE(contains(log, ": update: "));
    EXPECT_TRUE(contains(log, ": menu_handle (999)\n"));
    // One frame runs the named tasks in their fixed order.
    const std::vector<std::string> frame = {
        "tick", "world", "prop", "camera", "ground", "backdrop", "http", "download",
        "visible", "sound", "frame", "sign", "animate", "scene", "self", "avatar", "chat",
        "pick", "focus", "balloon", "viewport", "fps", "bps", "cgi", "behavior", "disk",
        "image", "picture", "web", "universe", "telegram", "worlds", "contacts", "join"};
    std::vector<std::string> texts = log_texts(log);
    EXPECT_NE(std::search(texts.begin(), texts.end(), frame.begin(), frame.end()), texts.end())
        << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
    // The settings the window wrote on its way stay readable.
    EXPECT_TRUE(contains(home.read("vireo.ini"), "framerate=1"));
}

TEST(startup, a_missing_settings_file_ends_with_its_message_and_a_failure_code)
{
    vireo_home home;
    home.remove_settings();
    process_result r = home.run("wait 10\nquit 0\n");
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(contains(r.output,
                         "message box: Error: The initialization file couldn't be located. "
                         "Ensure the working directory is set to where this program resides."))
        << r.output;
}

TEST(startup, the_window_opens_where_the_settings_say_within_limits)
{
    vireo_home home;
    home.set("layout", "main_x", "5000");
    home.set("layout", "main_y", "40");
    home.set("layout", "main_width", "100");
    home.set("layout", "main_height", "1");
    process_result r = home.run(alone + "wait 5\nstate state.json\nquit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output;
    QJsonObject window = read_state(home, "state.json")["window"].toObject();
    EXPECT_EQ(window["width"].toInt(), 300);
    EXPECT_EQ(window["height"].toInt(), 170);
    EXPECT_LT(window["x"].toInt(), 1280);
}

TEST(startup, a_failing_script_command_ends_the_run_with_code_3)
{
    vireo_home home;
    process_result r = home.run(alone + "wait 2\nuntil log never written 300\nquit 0\n");
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_TRUE(contains(r.output, "automation: FAILED line 5: until log never written 300"))
        << r.output;

    r = home.run("frobnicate\n");
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_TRUE(contains(r.output, "automation: FAILED line 1: frobnicate")) << r.output;
}

TEST(startup, the_closed_screen_waits_without_spinning_and_a_script_may_sleep_in_it)
{
    vireo_home home;
    process_result r = home.run(
        "dialog About Vireo\n"
        "until text appears to be closed\n"
        "state before.json\n"
        "sleep 1000\n"
        "state after.json\n"
        "until log never written 100\n",
        {}, 30000);
    ASSERT_FALSE(r.timed_out) << r.output;
    EXPECT_EQ(r.exit_code, 3) << r.output;
    int used = read_state(home, "after.json")["cpu_ms"].toInt() -
               read_state(home, "before.json")["cpu_ms"].toInt();
    EXPECT_LT(used, 150);
}

TEST(startup, a_second_start_hands_its_command_line_to_the_first)
{
    vireo_home home;
    home.set("debug", "trace", "1");
    home.write("go.txt", "teleport qo 2n 3w 0a 90, tail\n");
    auto first = home.start(
        alone +
        "wait 5\n"
        "state ready.json\n"
        "until log behavior_post (teleport qo 2n 3w 0a 90) 30000\n"
        "quit 0\n");
    for (int i = 0; i < 300 && access(home.file("ready.json").c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(access(home.file("ready.json").c_str(), F_OK), 0) << first->wait(1000).output;

    // The second start must not touch the first's log or settings.
    vireo_home second_cwd;
    auto second = std::make_unique<process>(
        VIREO_EXECUTABLE, std::vector<std::string>{home.file("go.txt")}, second_cwd.path(),
        std::map<std::string, std::string>{{"VIREO_HOME", home.path()}});
    process_result s = second->wait(20000);
    EXPECT_FALSE(s.timed_out);
    EXPECT_EQ(s.exit_code, 0) << s.output;
    EXPECT_EQ(second_cwd.read("vireo.log"), "");

    process_result f = first->wait(40000);
    EXPECT_EQ(f.exit_code, 0) << f.output;
    EXPECT_TRUE(contains(home.read("vireo.log"), "cgi_receive (" + home.file("go.txt") + ")"));
}

TEST(startup, a_display_of_256_colours_is_warned_about_and_the_warning_can_be_silenced)
{
    // Such a display offers no OpenGL 3.3 either, so the start goes on to
    // fail for want of a rendering driver.
    const std::string no_driver = "unable to locate a suitable rendering driver";
    vireo_home home;
    process_result r = home.run(
        "dialog Display Depth Warning!\n"
        "field \"Dont't display this message again\" 1\n"
        "button Continue Anyway\n" + alone +
        "wait 3\n"
        "quit 0\n",
        {}, 60000, 8);
    EXPECT_EQ(r.exit_code, 1) << r.output;
    EXPECT_TRUE(contains(r.output, no_driver)) << r.output;
    EXPECT_TRUE(contains(home.read("vireo.ini"), "depth=1"));

    // Once silenced, the next start goes straight on (a dialog left open
    // would time the run out).
    r = home.run(alone + "wait 3\nquit 0\n", {}, 30000, 8);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 1) << r.output;
    EXPECT_TRUE(contains(r.output, no_driver)) << r.output;
}

TEST(startup, exit_in_the_display_warning_stops_the_start_without_a_message)
{
    vireo_home home;
    process_result r = home.run("dialog Display Depth\nbutton Exit\n", {}, 60000, 8);
    EXPECT_EQ(r.exit_code, 0) << r.output;
    EXPECT_FALSE(contains(r.output, "message box:")) << r.output;
    EXPECT_FALSE(contains(home.read("vireo.ini"), "depth=1"));
}

TEST(startup, resizing_the_window_saves_its_size)
{
    vireo_home home;
    home.set("show", "bandwidth", "1");
    home.set("show", "cache", "0");
    process_result r = home.run(alone + "wait 3\nresize 700 400\nwait 3\nsleep 2100\nstate state.json\nquit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output;
    std::string ini = home.read("vireo.ini");
    EXPECT_TRUE(contains(ini, "main_width=700")) << ini;
    EXPECT_TRUE(contains(ini, "main_height=400")) << ini;
    EXPECT_TRUE(contains(ini, "maximized=0")) << ini;
    EXPECT_EQ(read_state(home, "state.json")["panes"].toObject()["0"].toString(), "0.0 K/sec");
}

TEST(startup, the_meter_panes_toggle_by_command_and_are_remembered)
{
    vireo_home home;
    home.set("show", "cache", "0");
    process_result r = home.run(
        // The bandwidth pane is written once a second, from a second after
        // it is shown; a slow frame may hold that back.
        alone + "menu 121\nmenu 122\nsleep 2100\nstate both.json\n"
        "menu 121\nwait 3\nstate one.json\nquit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output;
    QJsonObject both = read_state(home, "both.json")["panes"].toObject();
    EXPECT_EQ(both.size(), 2);
    EXPECT_TRUE(both["0"].toString().endsWith("frames/sec"));
    EXPECT_TRUE(both["1"].toString().endsWith("K/sec"));
    QJsonObject one = read_state(home, "one.json")["panes"].toObject();
    EXPECT_EQ(one.size(), 1);
    EXPECT_TRUE(one["0"].toString().endsWith("K/sec"));
    std::string ini = home.read("vireo.ini");
    EXPECT_TRUE(contains(ini, "framerate=0")) << ini;
    EXPECT_TRUE(contains(ini, "bandwidth=1")) << ini;
}
