// The generated world "city": its cells, its size, its determinism and its
// place among the worlds.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <utility>

#include "city.h"
#include "data_dir.h"
#include "property_wire.h"
#include "support/temp_dir.h"
#include "world_config.h"
#include "worlds.h"

TEST(city, fills_the_cells_within_120_m_within_the_cell_limit_the_same_for_a_seed)
{
    // Ten times the distance in cells, cut to whole metres, at most 120;
    // the two gates of three cells each stay empty.
    std::set<std::pair<int, int>> expected;
    for (int z = -13; z <= 13; ++z) {
        for (int x = -13; x <= 13; ++x) {
            if (static_cast<int>(10 * std::sqrt(x * x + z * z)) <= 120)
                expected.emplace(x, z);
        }
    }
    ASSERT_EQ(expected.size(), 465u);
    for (std::pair<int, int> gate :
         {std::pair(-1, 12), {0, 12}, {1, 12}, {12, -1}, {12, 0}, {12, 1}})
        expected.erase(gate);

    auto started = std::chrono::steady_clock::now();
    std::vector<world_seed_object> objects = city_objects(1);
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    ASSERT_GE(objects.size(), 14000u);

    std::map<std::pair<int, int>, size_t> bytes;
    size_t actions = 0;
    for (const world_seed_object& o : objects) {
        property_element e;
        e.model = o.model;
        e.description = o.description;
        e.action = o.action;
        bytes[{static_cast<int>(std::floor(o.x)), static_cast<int>(std::floor(o.z))}] +=
            property_wire_element_size(e);
        EXPECT_EQ(o.y, 0);
        EXPECT_EQ(o.owner, 1u);
        EXPECT_FALSE(o.description.empty());
        EXPECT_TRUE(std::filesystem::exists(std::string(VIREO_CONTENT_DIR "/city/models/") +
                                            o.model.substr(0, o.model.size() - 4) + ".zip"))
            << o.model;
        actions += o.action.empty() ? 0 : 1;
    }
    EXPECT_NEAR(static_cast<double>(actions) / objects.size(), 1.0 / 3, 0.05);
    std::set<std::pair<int, int>> used;
    size_t largest = 0;
    for (const auto& [cell, size] : bytes) {
        used.insert(cell);
        largest = std::max(largest, size);
        EXPECT_LE(size, property::max_cell) << cell.first << " " << cell.second;
    }
    EXPECT_EQ(used, expected);
    EXPECT_EQ(city_cells().size(), expected.size());
    std::printf("city: %zu objects, %zu with actions, largest cell %zu bytes, made in %lld ms\n",
                objects.size(), actions, largest, static_cast<long long>(took.count()));

    EXPECT_EQ(city_objects(1), objects);
    std::vector<world_seed_object> other = city_objects(4294967295u);
    EXPECT_NE(other, objects);
    EXPECT_GE(other.size(), 14000u);
}

TEST(city, comes_after_the_worlds_of_worlds_conf_with_settings_written_only_when_missing)
{
    temp_dir dir;
    server_worlds* worlds = server_worlds_create();
    server_worlds_add(worlds, "qo", "Kestrel", 5671);
    server_worlds_add(worlds, "gate", "Gate", 5672);
    ASSERT_EQ(server_data_add_city(dir.path(), 5671, worlds), 0);
    server_world city;
    ASSERT_EQ(server_worlds_find(worlds, "city", &city), 1);
    EXPECT_EQ(city.title, "City");
    EXPECT_EQ(city.port, 5673);
    world_settings settings = world_config_defaults();
    std::string error;
    ASSERT_EQ(world_config_parse(dir.read("city.world"), &settings, &error), 0) << error;
    EXPECT_EQ(settings.attributes.value[8], "*");
    EXPECT_TRUE(settings.attributes.set[6] && settings.attributes.value[6].empty());
    // Named twice, or without a port left: refused. A file of the user's stays.
    dir.write("city.world", "build 1\n");
    EXPECT_EQ(server_data_add_city(dir.path(), 5671, worlds), 1);
    server_worlds_destroy(worlds);
    worlds = server_worlds_create();
    server_worlds_add(worlds, "qo", "Kestrel", 65535);
    EXPECT_EQ(server_data_add_city(dir.path(), 65535, worlds), 1);
    EXPECT_EQ(server_data_add_city(dir.path(), 0, worlds), 0);
    EXPECT_EQ(dir.read("city.world"), "build 1\n");
    server_worlds_destroy(worlds);
}
