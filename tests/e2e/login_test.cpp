#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <string>

#include "support/server_process.h"
#include "support/vireo_home.h"

namespace {

QJsonObject read_state(const vireo_home& home, const std::string& name)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(home.read(name))).object();
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A server, and a program folder whose settings point at it.
class login : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.ready()) << server.log();
        home.set("universe", "host", "127.0.0.1");
        home.set("universe", "port", std::to_string(server.universe_port()));
    }

    server_process server;
    vireo_home home;
};

}  // namespace

TEST_F(login, a_citizen_named_in_the_settings_logs_in_at_start)
{
    home.set("citizen", "name", "Wren");
    // An older settings file with the password in clear.
    home.set("citizen", "password", "wren");
    process_result r = home.run("wait 5\nstate state.json\nsleep 500\nstate idle.json\nquit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();
    QJsonObject state = read_state(home, "state.json");
    EXPECT_EQ(state["identity"].toString(), "Wren");
    EXPECT_EQ(state["number"].toInt(), 1);
    // With nothing new to draw, frames poll at the display's pace (about 30
    // in half a second) rather than thousands back to back.
    QJsonObject idle = read_state(home, "idle.json");
    EXPECT_LT(idle["frames"].toInt() - state["frames"].toInt(), 100);
    std::string ini = home.read("vireo.ini");
    EXPECT_TRUE(contains(ini, "password=\n")) << ini;
    EXPECT_FALSE(contains(ini, "pass=\n")) << ini;
}

TEST_F(login, without_a_name_the_user_enters_as_a_tourist_through_the_dialog)
{
    process_result r = home.run(
        "dialog Enter as a tourist\n"
        "field Name \" Bob\"\n"
        "button OK\n"
        "until text Your name must not start with or contain consecutive blanks.\n"
        "field Name \"Bob Smith\"\n"
        "button OK\n"
        "until closed Enter as a tourist\n"
        "wait 5\n"
        "state state.json\n"
        "quit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();
    QJsonObject state = read_state(home, "state.json");
    EXPECT_EQ(state["identity"].toString(), "\"Bob Smith\"");
    EXPECT_EQ(state["number"].toInt(), 0);
    // The application became active while the dialog was up: frames run
    // back to back all the same.
    EXPECT_EQ(state["timer"].toInt(), 0);
    EXPECT_TRUE(contains(home.read("vireo.ini"), "tourist=Bob Smith"));
}

TEST_F(login, a_script_may_sleep_quit_or_fail_while_the_log_in_dialog_is_up)
{
    process_result r = home.run("dialog Enter as a tourist\nsleep 100\nquit 4\n", {}, 20000);
    ASSERT_FALSE(r.timed_out) << r.output;
    EXPECT_EQ(r.exit_code, 4) << r.output;
    r = home.run("dialog Enter as a tourist\nuntil text never shown 100\n", {}, 20000);
    ASSERT_FALSE(r.timed_out) << r.output;
    EXPECT_EQ(r.exit_code, 3) << r.output;
}

TEST_F(login, a_tourist_immigrates_and_becomes_a_citizen)
{
    process_result r = home.run(
        "dialog Enter as a tourist\n"
        "field Name Newcomer\n"
        "button OK\n"
        "until closed Enter as a tourist\n"
        "wait 3\n"
        "menu 143\n"
        "dialog Immigrate\n"
        "field Name Robin\n"
        "field Password redbreast\n"
        "field \"Confirm password\" redbreast\n"
        "field \"Email address\" robin@vireo.invalid\n"
        "button OK\n"
        "until closed Immigrate\n"
        "state state.json\n"
        "quit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();
    QJsonObject state = read_state(home, "state.json");
    EXPECT_EQ(state["identity"].toString(), "Robin");
    EXPECT_EQ(state["number"].toInt(), 3);
    std::string ini = home.read("vireo.ini");
    EXPECT_TRUE(contains(ini, "name=Robin")) << ini;
    EXPECT_TRUE(contains(ini, "pass=")) << ini;
    EXPECT_FALSE(contains(ini, "redbreast")) << ini;
}

TEST_F(login, a_wrong_password_shows_its_message_in_the_log_in_dialog)
{
    home.set("citizen", "name", "Wren");
    home.set("citizen", "password", "sparrow");
    process_result r = home.run(
        "dialog Enter Vireo as...\n"
        "until text The password you gave is incorrect.\n"
        "field Password wren\n"
        "button OK\n"
        "until closed Enter Vireo as\n"
        "wait 5\n"
        "state state.json\n"
        "quit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();
    EXPECT_EQ(read_state(home, "state.json")["identity"].toString(), "Wren");
    EXPECT_FALSE(contains(server.log(), "sparrow"));
}
