#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "citizens.h"
#include "data_dir.h"
#include "store.h"
#include "support/temp_dir.h"
#include "worlds.h"

TEST(worlds_file, reads_names_titles_and_comments)
{
    std::vector<server_world_config> worlds;
    std::string error;
    EXPECT_EQ(server_worlds_parse("# comment\r\nqo Kestrel\n\n  gate\t The  Gate \r\nmars\n",
                                  &worlds, &error),
              0);
    ASSERT_EQ(worlds.size(), 3u);
    EXPECT_EQ(worlds[0].name, "qo");
    EXPECT_EQ(worlds[0].title, "Kestrel");
    EXPECT_EQ(worlds[1].name, "gate");
    EXPECT_EQ(worlds[1].title, "The  Gate");
    EXPECT_EQ(worlds[2].title, "mars");
    EXPECT_EQ(server_worlds_parse("", &worlds, &error), 0);
    EXPECT_TRUE(worlds.empty());
}

TEST(worlds_file, names_the_first_bad_line)
{
    std::vector<server_world_config> worlds;
    std::string error;
    EXPECT_EQ(server_worlds_parse("qo Kestrel\nninechars x\n", &worlds, &error), 2);
    EXPECT_NE(error.find("1 to 8"), std::string::npos);
    EXPECT_EQ(server_worlds_parse("qo\nq-o\n", &worlds, &error), 2);
    EXPECT_EQ(server_worlds_parse("# x\n\nqo A\nQO B\n", &worlds, &error), 4);
    EXPECT_EQ(server_worlds_parse("qo " + std::string(64, 't') + "\n", &worlds, &error), 1);
    std::string many;
    for (int i = 0; i <= 256; ++i)
        many += "w" + std::to_string(i) + "\n";
    EXPECT_EQ(server_worlds_parse(many, &worlds, &error), 257);
}

TEST(world_registry, finds_without_regard_to_case_and_lists_the_running)
{
    server_worlds* worlds = server_worlds_create();
    EXPECT_EQ(server_worlds_add(worlds, "qo", "Kestrel", 5671), 0);
    EXPECT_EQ(server_worlds_add(worlds, "gate", "Gate", 5672), 0);
    EXPECT_EQ(server_worlds_add(worlds, "Qo", "again", 5673), 1);
    EXPECT_EQ(server_worlds_set_running(worlds, "mars", true), 1);
    EXPECT_TRUE(server_worlds_running(worlds).empty());

    EXPECT_EQ(server_worlds_set_running(worlds, "GATE", true), 0);
    EXPECT_EQ(server_worlds_set_running(worlds, "qo", true), 0);
    EXPECT_EQ(server_worlds_set_users(worlds, "qo", 4), 0);
    std::vector<server_world> running = server_worlds_running(worlds);
    ASSERT_EQ(running.size(), 2u);
    EXPECT_EQ(running[0].name, "qo");
    EXPECT_EQ(running[0].users, 4);
    EXPECT_EQ(running[1].name, "gate");

    server_world world;
    ASSERT_EQ(server_worlds_find(worlds, "QO", &world), 1);
    EXPECT_EQ(world.title, "Kestrel");
    EXPECT_EQ(world.port, 5671);
    EXPECT_EQ(server_worlds_find(worlds, "q", &world), 0);
    server_worlds_set_running(worlds, "qo", false);
    EXPECT_EQ(server_worlds_running(worlds).size(), 1u);
    server_worlds_destroy(worlds);
}

TEST(data_directory, an_empty_one_is_seeded_and_a_used_one_left_alone)
{
    temp_dir dir;
    std::string data = dir.file("nested/data");
    int fresh = 0;
    ASSERT_EQ(server_data_prepare(data, &fresh), 0);
    EXPECT_EQ(fresh, 1);
    us_store* store = us_store_open(data + "/universe.db");
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(server_data_seed_citizens(store), 0);
    us_citizen c;
    ASSERT_EQ(us_citizen_find_name(store, "Wren", &c), 1);
    EXPECT_EQ(c.number, 1u);
    EXPECT_EQ(us_citizen_check_password(store, 1, "wren"), 1);
    EXPECT_EQ(us_citizen_check_privilege_password(store, 1, "nest"), 1);
    ASSERT_EQ(us_citizen_find_name(store, "Finch", &c), 1);
    EXPECT_EQ(us_citizen_check_password(store, c.number, "finch"), 1);
    us_store_close(store);

    server_worlds* worlds = server_worlds_create();
    ASSERT_EQ(server_data_load_worlds(data, 6000, worlds), 0);
    // The worlds run once their world servers listen.
    EXPECT_TRUE(server_worlds_running(worlds).empty());
    std::vector<server_world> listed = server_worlds_list(worlds);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].name, "qo");
    EXPECT_EQ(listed[0].title, "Kestrel");
    EXPECT_EQ(listed[0].port, 6000);
    EXPECT_EQ(listed[1].name, "gate");
    EXPECT_EQ(listed[1].port, 6001);
    EXPECT_NE(dir.read("nested/data/qo.world").find("build *"), std::string::npos);
    server_worlds_destroy(worlds);

    // A directory with something in it is not seeded again.
    dir.write("nested/data/worlds.conf", "mars Red\n");
    ASSERT_EQ(server_data_prepare(data, &fresh), 0);
    EXPECT_EQ(fresh, 0);
    EXPECT_EQ(dir.read("nested/data/worlds.conf"), "mars Red\n");
    // Worlds that would run past the last port are refused.
    worlds = server_worlds_create();
    EXPECT_EQ(server_data_load_worlds(data, 65535, worlds), 0);
    dir.write("nested/data/worlds.conf", "mars Red\nvenus\n");
    EXPECT_EQ(server_data_load_worlds(data, 65535, worlds), 1);
    dir.write("nested/data/worlds.conf", "bad-name\n");
    EXPECT_EQ(server_data_load_worlds(data, 6000, worlds), 1);
    server_worlds_destroy(worlds);
}
