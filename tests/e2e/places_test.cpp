#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include <string>

#include "support/server_process.h"
#include "support/vireo_home.h"

TEST(places, a_remembered_place_is_kept_in_the_file_and_offered_by_the_menu_of_the_next_run)
{
    server_process server;
    ASSERT_TRUE(server.ready()) << server.log();
    vireo_home home;
    home.log_in(server.universe_port());
    // Remember the proposed name, then go elsewhere through the Teleport
    // dialog.
    process_result first = home.run("until console Welcome to Kestrel 60000\n"
                                    "teleport qo 12N 1E\n"
                                    "until title qo at 12N 1E\n"
                                    "menu 144\n"
                                    "dialog Remember this location\n"
                                    "button OK\n"
                                    "until closed Remember this location\n"
                                    "menu 128\n"
                                    "dialog Teleport\n"
                                    "field Coordinates \"3S 4W\"\n"
                                    "button OK\n"
                                    "until title qo at 3S 4W\n"
                                    "quit 0\n");
    ASSERT_EQ(first.exit_code, 0) << first.output << server.log();
    std::string file = home.read("teleport.txt");
    EXPECT_EQ(file.rfind("qo 12.0N 1.0E ", 0), 0u) << file;
    EXPECT_NE(file.find(":Kestrel 12N 1E\n"), std::string::npos) << file;

    // The next run reads it into the Teleport menu; its item takes the user
    // there.
    process_result second = home.run("until elements 26 60000\n"
                                     "state state.json\n"
                                     "menu 2000\n"
                                     "until title qo at 12N 1E\n"
                                     "quit 0\n");
    ASSERT_EQ(second.exit_code, 0) << second.output << server.log();
    QJsonArray items = home.state("state.json")["menu_items"].toArray();
    EXPECT_TRUE(items.contains(QJsonObject{{"id", 2000}, {"text", "Kestrel 12N 1E"}}))
        << home.read("state.json");
}
