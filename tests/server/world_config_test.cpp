#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "property_wire.h"
#include "support/temp_dir.h"
#include "world_config.h"
#include "world_store.h"

namespace {

TEST(world_settings, reads_keys_over_the_defaults_and_names_the_line_in_error)
{
    world_settings s = world_config_defaults();
    EXPECT_EQ(s.attributes.value[8], "*");
    std::string error;
    ASSERT_EQ(world_config_parse("# qo\r\n\ncaretakers 1, 2\r\nbuild\ntitle  Kestrel Heights \n"
                                 "restricted-radius 25\n",
                                 &s, &error),
              0)
        << error;
    EXPECT_EQ(s.caretakers, "1, 2");
    EXPECT_TRUE(s.attributes.set[6]);
    EXPECT_EQ(s.attributes.value[6], "");
    EXPECT_EQ(s.attributes.value[0], "Kestrel Heights");
    EXPECT_EQ(s.attributes.value[15], "25");
    EXPECT_EQ(s.attributes.value[8], "*");

    EXPECT_EQ(world_config_parse("title A\nspeakers 1\n", &s, &error), 2);
    EXPECT_NE(error.find("speakers"), std::string::npos);
    EXPECT_EQ(world_config_parse("enter 1;2\n", &s, &error), 1);
    EXPECT_EQ(world_config_parse("home-page " + std::string(256, 'h'), &s, &error), 1);
}

TEST(world_settings, reads_seed_objects_with_optional_texts)
{
    std::vector<world_seed_object> objects;
    std::string error;
    ASSERT_EQ(world_config_parse_objects("# seeds\n1.5\t0.25\t-2\t90\t1\tsign1.rwx\tHello there\t"
                                         "create sign \"Hi, you\"\n-0.5\t0\t0\t0\t0\twall\n",
                                         &objects, &error),
              0)
        << error;
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_DOUBLE_EQ(objects[0].z, -2);
    EXPECT_EQ(objects[0].owner, 1u);
    EXPECT_EQ(objects[0].description, "Hello there");
    EXPECT_EQ(objects[0].action, "create sign \"Hi, you\"");
    EXPECT_EQ(objects[1].model, "wall");
    EXPECT_TRUE(objects[1].action.empty());
    EXPECT_EQ(world_config_parse_objects("1\t2\t3\t4\t5\n", &objects, &error), 1);
    EXPECT_EQ(world_config_parse_objects("\n1\t0\t0\t0\t-1\tm\n", &objects, &error), 2);
    EXPECT_EQ(world_config_parse_objects("1\t40\t0\t0\t1\tm\n", &objects, &error), 1);
    EXPECT_EQ(world_config_parse_objects("x\t0\t0\t0\t1\tm\n", &objects, &error), 1);
}

TEST(property_wire, decodes_requests_only_once_whole_and_refuses_unknown_types)
{
    // A delete: number 9 in cell (-1, 2), stamp 1 2 3 4, identity 7.
    std::vector<uint8_t> del{2, 9, 0, 0, 0xFF, 0xFF, 0, 2, 1, 2, 3, 4, 0, 0, 0, 7};
    property_request r;
    for (size_t size = 0; size < del.size(); ++size)
        EXPECT_EQ(property_wire_decode(del.data(), size, false, &r), 0) << size;
    ASSERT_EQ(property_wire_decode(del.data(), del.size(), false, &r), 16);
    EXPECT_EQ(r.number, 9);
    EXPECT_EQ(r.cell_x, -1);
    EXPECT_EQ(r.cell_z, 2);
    EXPECT_EQ(r.stamp, (property_stamp{1, 2, 3, 4}));
    EXPECT_EQ(r.identity, 7u);

    // An add waits for its texts.
    std::vector<uint8_t> add(27, 0);
    add[24] = 3;
    add[26] = 1;
    EXPECT_EQ(property_wire_decode(add.data(), add.size(), false, &r), 0);
    add.insert(add.end(), {'a', 'b', 'c', 'x'});
    ASSERT_EQ(property_wire_decode(add.data(), add.size(), false, &r), 31);
    EXPECT_EQ(r.model, "abc");
    EXPECT_EQ(r.action, "x");

    // An option write is taken only after a quiet moment, and then ends on
    // a whole record; one running past a body's limit is no request.
    std::vector<uint8_t> write{6, 0, 0, 0, 0, 0, 0, 2, 0, 3, 'a', 'b'};
    EXPECT_EQ(property_wire_decode(write.data(), write.size(), true, &r), 0);
    write.push_back('c');
    EXPECT_EQ(property_wire_decode(write.data(), write.size(), false, &r), 0);
    ASSERT_EQ(property_wire_decode(write.data(), write.size(), true, &r), 13);
    EXPECT_EQ(r.options, std::string("\0\3abc", 5));
    std::vector<uint8_t> huge{6, 0, 0, 0, 0, 0, 0, 2};
    for (int i = 0; i < 5; ++i)
        huge.insert(huge.end(), {20, 200});
    huge.resize(8 + 5 * 202, 'x');
    EXPECT_EQ(property_wire_decode(huge.data(), huge.size(), false, &r), -1);

    uint8_t eject[] = {1, 0, 0, 0, 2, 10, 0, 0, 9, 0, 0, 1, 44};
    ASSERT_EQ(property_wire_decode(eject, sizeof eject, false, &r), 13);
    EXPECT_EQ(r.target, 0x0A000009u);
    EXPECT_EQ(r.duration, 300u);
    uint8_t unknown[] = {4, 0, 0, 0};
    EXPECT_EQ(property_wire_decode(unknown, sizeof unknown, false, &r), -1);
}

TEST(property_wire, round_trips_cells_and_attributes)
{
    property_element e;
    e.number = 200;
    e.owner = 0x01020304;
    e.time = 5;
    e.x = 999;
    e.y = -32767;
    e.z = 0;
    e.yaw = -3599;
    e.model = "m";
    e.action = std::string(300, 'a');
    std::string records;
    property_wire_element_put(e, &records);
    property_wire_element_put(e, &records);
    EXPECT_EQ(records.size(), 2 * property_wire_element_size(e));
    EXPECT_EQ(property_wire_element_size(e), 20u + 1 + 255);
    std::vector<property_element> decoded;
    ASSERT_EQ(property_wire_cell_decode(records, &decoded), 0);
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_EQ(decoded[1].owner, e.owner);
    EXPECT_EQ(decoded[1].y, -32767);
    EXPECT_EQ(decoded[1].yaw, -3599);
    EXPECT_EQ(decoded[1].action.size(), 255u);
    EXPECT_EQ(property_wire_cell_decode(records.substr(0, records.size() - 1), &decoded), 1);
    EXPECT_EQ(decoded.size(), 1u);

    property_attributes a;
    ASSERT_EQ(property_wire_attributes_decode(std::string("\0\1A\3\0\0\2BC", 9), &a), 0);
    EXPECT_EQ(a.value[0], "BC");
    EXPECT_TRUE(a.set[3]);
    EXPECT_EQ(property_wire_attributes_encode(a), std::string("\0\2BC\3\0", 6));
    EXPECT_EQ(property_wire_attributes_decode(std::string("\30\0", 2), &a), 1);
    EXPECT_EQ(property_wire_attributes_decode(std::string("\1\5ab", 4), &a), 1);
}

TEST(world_store, maps_cells_to_sectors_of_six)
{
    EXPECT_EQ(world_store_sector_from_cell(2), 0);
    EXPECT_EQ(world_store_sector_from_cell(3), 1);
    EXPECT_EQ(world_store_sector_from_cell(-3), 0);
    EXPECT_EQ(world_store_sector_from_cell(-4), -1);
    EXPECT_EQ(world_store_sector_from_cell(-21), -3);
}

TEST(world_store, stamps_every_change_and_keeps_its_state_over_a_restart)
{
    temp_dir dir;
    int fresh = 0;
    world_store* store = world_store_open(dir.file("qo.db"), &fresh);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(fresh, 1);
    EXPECT_EQ(world_store_sector_stamp(store, 0, 0), 0u);
    world_cell a{2, -3, "records", ""}, b{3, -3, "", std::string(1, '\5')};
    ASSERT_EQ(world_store_put_cells(store, {a}), 0);
    uint32_t first = world_store_sector_stamp(store, 0, 0);
    EXPECT_NE(first, 0u);
    // Cells of two sectors changed together: both get the same new stamp.
    ASSERT_EQ(world_store_put_cells(store, {a, b}), 0);
    uint32_t second = world_store_sector_stamp(store, 0, 0);
    EXPECT_GT(second, first);
    EXPECT_EQ(world_store_sector_stamp(store, 1, 0), second);
    property_attributes attributes;
    attributes.value[0] = "Title";
    attributes.set[0] = true;
    ASSERT_EQ(world_store_set_attributes(store, attributes), 0);
    ASSERT_EQ(world_store_eject(store, 0x7F000001, 1000), 0);
    world_store_close(store);

    store = world_store_open(dir.file("qo.db"), &fresh);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(fresh, 0);
    EXPECT_EQ(world_store_sector_stamp(store, 1, 0), second);
    EXPECT_EQ(world_store_cell(store, 2, -3).records, "records");
    EXPECT_EQ(world_store_cell(store, 3, -3).gone, std::string(1, '\5'));
    EXPECT_TRUE(world_store_cell(store, 4, -3).records.empty());
    std::vector<world_cell> cells = world_store_sector_cells(store, 0, 0);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].x, 2);
    world_store_attributes(store, &attributes);
    EXPECT_EQ(attributes.value[0], "Title");
    EXPECT_FALSE(attributes.set[1]);
    EXPECT_EQ(world_store_ejected_until(store, 0x7F000001), 1000);
    EXPECT_EQ(world_store_ejected_until(store, 0x7F000002), 0);
    world_store_close(store);
}

}  // namespace
