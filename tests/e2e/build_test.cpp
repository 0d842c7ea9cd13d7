#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/property_client.h"
#include "support/server_process.h"
#include "support/vireo_home.h"
#include "world/cell.h"
#include "world/database.h"

namespace {

// From these places facing north an oak stands 5 m ahead, under the middle
// of the view; a click high up hits the sky.
constexpr const char* face_oak = "teleport qo 0.5N 1W 0.1a 0\nsleep 6000\n";
constexpr const char* oak = "152 165";
constexpr const char* sky = "152 20";

std::string presses(int code, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i)
        s += "key " + std::to_string(code) + " press\n";
    return s;
}

QJsonArray position(const QJsonObject& state)
{
    return state["selected"].toObject()["position"].toArray();
}

int count(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The models of cell (cx, cz) as the client's cell store of qo holds them.
std::string stored_models(const vireo_home& home, int cx, int cz)
{
    database_init();
    database* store = database_open(home.file("cache/property/qo/cell").c_str(), 6, 0, 16384,
                                    4096, 0, 0);
    int16_t key[3] = {1, static_cast<int16_t>(cx), static_cast<int16_t>(cz)};
    uint8_t* bytes = nullptr;
    size_t length = 0;
    std::string models;
    if (database_fetch_unknown(store, key, &bytes, &length)) {
        cell_record r;
        for (size_t at = 0, n; at < length && (n = cell_record_decode(bytes + at, length - at, &r));
             at += n)
            models += std::string(r.model, r.model_length) + " ";
        std::free(bytes);
    }
    database_close(store);
    return models;
}

// Selects the oak, lets a right-arrow walk take it `steps` to the east and
// lets it go with a click on the sky.
std::string move_oak_east(int steps)
{
    return std::string("click right ") + oak +
           "\nsleep 300\nstate selected.json\n" + presses(39, steps) +
           "sleep 300\nstate moved.json\nclick left " + sky + "\n";
}

}  // namespace

// Wren, a citizen of qo, duplicates and deletes an oak without a word to the
// server, then moves the oak two cells east: another client sees it there,
// and so does the client's own cell store. Moving another oak a fine step
// and undoing it still commits a change; one let go with its model name
// cleared goes back unsent. Then a click opens the house's door and a walk
// onto a pad warps Wren.
TEST(build, a_citizen_moves_an_object_and_the_world_keeps_it)
{
    server_process server;
    ASSERT_TRUE(server.ready()) << server.log();
    vireo_home home;
    home.log_in(server.universe_port());
    home.set("debug", "trace", "1");
    std::string script = std::string("until elements 26 60000\n") + face_oak + "click right " +
                         oak + "\nsleep 300\nkey 45 press\nsleep 300\nstate copy.json\n" +
                         "key 46 press\nsleep 300\nstate deleted.json\n" + move_oak_east(40) +
                         "sleep 3000\nstate after.json\n"
                         "teleport qo 1.1S 1.4W 0.1a 0\nsleep 3000\nclick right " + oak +
                         "\nsleep 300\nstate turned_from.json\n"
                         "key 16 down\nkey 38 press\nkey 16 up\nsleep 300\nstate fine.json\n"
                         "menu 140\nsleep 300\nstate undone.json\nclick left " + sky +
                         "\nsleep 3000\nclick right " + oak + "\nsleep 300\n" + presses(39, 3) +
                         "dialog Object properties\nfield Object \"\"\nclick left " + sky +
                         "\nsleep 500\nclick right " + oak + "\nsleep 300\nstate cleared.json\n"
                         "click left " + sky + "\n"
                         "teleport qo 1.2N 2E 0.1a 0\nsleep 2000\nstate shut.json\n"
                         "click left 152 150\nsleep 500\nstate open.json\n"
                         "teleport qo 0.4S 0.4W 0.1a 180\nsleep 1000\nkey 38 down\nsleep 1500\n"
                         "key 38 up\nsleep 3000\nstate warped.json\nquit\n";
    process_result r = home.run(script, {}, 120000);
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();

    // The duplicate is new, a step north of the oak; deleting it sends
    // nothing.
    QJsonObject copy = home.state("copy.json");
    int number = copy["selected"].toObject()["number"].toInt();
    EXPECT_TRUE(number >= 32 && number <= 254) << number;
    EXPECT_NEAR(position(copy)[2].toDouble(), 1.05, 1e-6);
    EXPECT_TRUE(home.state("deleted.json")["selected"].isNull());

    EXPECT_NEAR(position(home.state("selected.json"))[0].toDouble(), 1.0, 1e-6);
    QJsonArray moved = position(home.state("moved.json"));
    EXPECT_NEAR(moved[0].toDouble(), -1.0, 1e-6);
    EXPECT_NEAR(moved[2].toDouble(), 1.0, 1e-6);
    EXPECT_TRUE(home.state("after.json")["selected"].isNull());

    // Shift moves the oak turned by 40 degrees half a centimetre along its
    // own axis nearest to north; undo puts it back.
    QJsonArray from = position(home.state("turned_from.json"));
    QJsonArray fine = position(home.state("fine.json"));
    EXPECT_NEAR(fine[0].toDouble() - from[0].toDouble(), 0.005 * std::sin(40 * M_PI / 180), 1e-6);
    EXPECT_NEAR(fine[2].toDouble() - from[2].toDouble(), 0.005 * std::cos(40 * M_PI / 180), 1e-6);
    EXPECT_EQ(position(home.state("undone.json")), from);
    // Moved again and let go with no model name: back as it was, unsent.
    EXPECT_EQ(position(home.state("cleared.json")), from);

    std::string log = home.read("vireo.log");
    EXPECT_EQ(count(log, "prop_add ("), 0);
    EXPECT_EQ(count(log, "prop_delete ("), 0);
    EXPECT_EQ(count(log, "prop_change ("), 2) << log;

    // A click on the house's door runs its three commands and hides it.
    QJsonObject shut = home.state("shut.json"), open = home.state("open.json");
    EXPECT_EQ(open["actions_run"].toInt() - shut["actions_run"].toInt(), 3);
    EXPECT_EQ(open["hidden_objects"].toInt() - shut["hidden_objects"].toInt(), 1);

    // Walking onto the pad "Warp to the trees" runs its bump clause once:
    // the warp is posted and glides to 2N 2W.
    EXPECT_EQ(count(log, "behavior_post (warp"), 1) << log;
    QJsonObject warped = home.state("warped.json")["position"].toObject();
    EXPECT_NEAR(warped["x"].toDouble(), 2.0, 0.3);
    EXPECT_NEAR(warped["z"].toDouble(), 2.0, 0.3);

    bool seen = false;
    for (const property_object& o : property_query(server.world_port("qo"), 0, 0, 0))
        seen |= o.cx == -1 && o.cz == 1 && o.x == 0 && o.z == 0 && o.model == "tree.rwx";
    EXPECT_TRUE(seen);
    EXPECT_EQ(stored_models(home, -1, 1), "tree.rwx ");
    EXPECT_EQ(count(stored_models(home, 1, 1), "tree.rwx"), 0);
}

// A tourist in qo, and Wren in gate where nobody builds, are refused: the
// Building Inspector says so and the object is back where it was.
TEST(build, a_refused_edit_disappears)
{
    server_process server;
    ASSERT_TRUE(server.ready()) << server.log();
    vireo_home tourist;
    tourist.set("universe", "host", "127.0.0.1");
    tourist.set("universe", "port", std::to_string(server.universe_port()));
    std::string refused =
        "until console Building Inspector: Sorry, you are not allowed to build in this world. "
        "20000\nsleep 1000\n";
    process_result r = tourist.run(
        std::string("dialog Enter as a tourist\nfield Name Bob\nbutton OK\n") +
            "until closed Enter as a tourist\nuntil elements 26 60000\n" + face_oak +
            move_oak_east(40) + refused + "click right " + oak + "\nsleep 300\nstate back.json\nquit\n",
        {}, 90000);
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();
    EXPECT_NEAR(position(tourist.state("moved.json"))[0].toDouble(), -1.0, 1e-6);
    EXPECT_EQ(position(tourist.state("back.json")), position(tourist.state("selected.json")));

    // Gate's north wall, 6 m north of ground zero, left of the notice.
    vireo_home wren;
    wren.log_in(server.universe_port());
    r = wren.run("until elements 26 60000\nteleport gate\nuntil console Welcome to Gate 30000\n"
                 "until elements 22 30000\nsleep 6000\nclick right 40 120\nsleep 300\nstate selected.json\n" +
                     presses(39, 10) + "click left " + sky + "\n" + refused + "click right 40 120\n"
                     "sleep 300\nstate back.json\nquit\n",
                 {}, 90000);
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();
    QJsonArray wall = position(wren.state("selected.json"));
    EXPECT_NEAR(wall[2].toDouble(), 0.6, 1e-6);
    EXPECT_EQ(position(wren.state("back.json")), wall);

}
