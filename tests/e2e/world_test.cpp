#include <gtest/gtest.h>

#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "support/property_client.h"
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

// An object added in qo's cell (1, 1) by citizen 1, whose client is logged
// in from this address.
std::vector<uint8_t> add_tree()
{
    std::vector<uint8_t> b = {0, 0, 0, 0, 0, 0, 0, 0};
    put32(&b, 1);
    for (int v : {1500, 0, 1700})
        put32(&b, static_cast<uint32_t>(v));
    std::string model = "tree.rwx", description = "A tree from afar";
    b.push_back(static_cast<uint8_t>(model.size()));
    b.push_back(static_cast<uint8_t>(description.size()));
    b.push_back(0);
    b.insert(b.end(), model.begin(), model.end());
    b.insert(b.end(), description.begin(), description.end());
    return b;
}

// A caretaker gives qo a new cache stamp: the options read, and written
// back with slot 19 changed (a write names every slot it keeps).
bool new_cache_stamp(int port)
{
    std::vector<uint8_t> read = {5, 0, 0, 0};
    put32(&read, 1);
    std::vector<uint8_t> options = property_request(port, read);
    std::vector<uint8_t> write = {6, 0, 0, 0};
    put32(&write, 1);
    for (size_t at = 0; at + 2 <= options.size(); at += 2 + options[at + 1]) {
        int slot = options[at];
        if (slot != 14 && slot != 16 && slot != 17 && slot != 19 && slot != 21)
            write.insert(write.end(), options.begin() + static_cast<long>(at),
                         options.begin() + static_cast<long>(at + 2 + options[at + 1]));
    }
    write.insert(write.end(), {19, 2, 'v', '2'});
    return options.size() > 1 && property_request(port, write) == std::vector<uint8_t>{0};
}

// The share of the image's upper half that is not the plain background.
double not_background(const QImage& image)
{
    int differ = 0, all = 0;
    for (int y = 2; y < image.height() / 2; ++y)
        for (int x = 2; x < image.width() - 2; ++x, ++all)
            differ += image.pixelColor(x, y) != QColor(0, 0, 178);
    return all ? static_cast<double>(differ) / all : 0;
}

int colours(const QImage& image)
{
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            seen.insert(image.pixel(x, y));
    return static_cast<int>(seen.size());
}

bool wait_for_file(const vireo_home& home, const std::string& name, int timeout_ms)
{
    for (int waited = 0; waited < timeout_ms; waited += 100) {
        if (access(home.file(name).c_str(), F_OK) == 0)
            return true;
        usleep(100000);
    }
    return false;
}

class world : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.ready()) << server.log();
        point(home);
        home.set("citizen", "name", "Wren");
        home.set("citizen", "password", "wren");
    }

    void point(vireo_home& h)
    {
        h.set("universe", "host", "127.0.0.1");
        h.set("universe", "port", std::to_string(server.universe_port()));
    }

    server_process server;
    vireo_home home;
};

}  // namespace

TEST_F(world, a_citizen_lands_in_qo_sees_changes_and_finds_it_again_with_the_server_down)
{
    home.set("debug", "trace", "1");
    std::unique_ptr<process> client = home.start(
        "until elements 26 60000\n"
        "until cells 9 60000\n"
        "sleep 4000\n"
        "screenshot qo.png\n"
        "state first.json\n"
        "until file added 60000\n"
        "until elements 27 60000\n"
        "state added.json\n"
        "teleport gate\n"
        "until console Welcome to Gate 30000\n"
        "state gate.json\n"
        "until file stamped 30000\n"
        "teleport qo\n"
        "until log cell store emptied 30000\n"
        "until elements 27 60000\n"
        "state back.json\n"
        "quit 0\n");
    // Another client builds once this one is in qo; a caretaker then gives
    // qo a new cache stamp while this one is in gate.
    ASSERT_TRUE(wait_for_file(home, "first.json", 120000));
    ASSERT_GT(property_request(server.world_port("qo"), add_tree()).size(), 1u) << server.log();
    home.write("added", "");
    ASSERT_TRUE(wait_for_file(home, "gate.json", 120000));
    ASSERT_TRUE(new_cache_stamp(server.world_port("qo"))) << server.log();
    home.write("stamped", "");
    process_result r = client->wait(120000);
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();

    QJsonObject first = read_state(home, "first.json");
    EXPECT_EQ(first["world"].toString(), "qo");
    EXPECT_EQ(first["title"].toString(), "Kestrel");
    EXPECT_EQ(first["elements"].toInt(), 26);
    EXPECT_GE(first["cells_loaded"].toInt(), 9);
    EXPECT_GE(first["queries"].toInt(), 1);
    EXPECT_TRUE(contains(first["console"].toString().toStdString(),
                         "Immigration Officer: Welcome to Kestrel, Wren"));
    QImage view(QString::fromStdString(home.file("qo.png")));
    ASSERT_FALSE(view.isNull());
    // The sky's panorama behind, the objects of the square in front.
    EXPECT_GT(not_background(view), 0.85);
    EXPECT_GT(colours(view), 200);
    EXPECT_EQ(read_state(home, "added.json")["elements"].toInt(), 27);
    EXPECT_EQ(read_state(home, "gate.json")["title"].toString(), "Gate");
    EXPECT_EQ(read_state(home, "back.json")["world"].toString(), "qo");

    // With the server gone, the world comes from the cache.
    server.stop();
    home.set("debug", "trace", "0");
    process_result again = home.run(
        "dialog About Vireo\nuntil text appears to be closed\nbutton Skip\n"
        "until elements 27 60000\n"
        "sleep 500\n"
        "state offline.json\n"
        "screenshot offline.png\n"
        "quit 0\n");
    ASSERT_EQ(again.exit_code, 0) << again.output;
    QJsonObject offline = read_state(home, "offline.json");
    EXPECT_EQ(offline["world"].toString(), "qo");
    EXPECT_EQ(offline["title"].toString(), "Kestrel");
    QImage cached(QString::fromStdString(home.file("offline.png")));
    EXPECT_GT(not_background(cached), 0.85);
}

TEST_F(world, the_caretaker_edits_the_world_options_and_a_tourist_reads_them)
{
    process_result r = home.run(
        "until elements 26 60000\n"
        "menu 104\n"
        "dialog World Options\n"
        "sleep 2000\n"
        "field Title Heronry\n"
        "button OK\n"
        "until closed World Options\n"
        "sleep 2500\n"
        "quit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output << server.log();

    vireo_home tourist;
    point(tourist);
    process_result t = tourist.run(
        "dialog Enter as a tourist\nfield Name Sam\nbutton OK\n"
        "until elements 26 60000\n"
        "state state.json\n"
        "menu 104\n"
        "dialog World Options (read only)\n"
        "button OK\n"
        "quit 0\n");
    ASSERT_EQ(t.exit_code, 0) << t.output << server.log();
    EXPECT_EQ(read_state(tourist, "state.json")["title"].toString(), "Heronry");
}

TEST(world_start, an_absent_home_world_falls_back_to_qo_and_no_world_at_all_stops)
{
    server_process server;
    ASSERT_TRUE(server.ready()) << server.log();
    vireo_home home;
    home.set("universe", "host", "127.0.0.1");
    home.set("universe", "port", std::to_string(server.universe_port()));
    home.set("start", "world", "nowhere");
    const std::string tourist = "dialog Enter as a tourist\nfield Name Sam\nbutton OK\n";
    process_result r = home.run(tourist + "until title qo at 60000\nstate state.json\nquit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "Unable to locate your home world")) << r.output;
    EXPECT_EQ(read_state(home, "state.json")["world"].toString(), "qo");

    server_process elsewhere("attic Attic\n");
    ASSERT_TRUE(elsewhere.ready()) << elsewhere.log();
    home.set("universe", "port", std::to_string(elsewhere.universe_port()));
    home.set("start", "world", "");
    process_result none = home.run(tourist + "wait 1000\nquit 0\n");
    EXPECT_EQ(none.exit_code, 1) << none.output;
    EXPECT_TRUE(contains(none.output, "Vireo was unable to find a world to start in.")) << none.output;
}
