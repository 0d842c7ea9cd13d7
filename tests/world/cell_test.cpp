#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/main.h"
#include "presence/self.h"
#include "presence/teleport.h"
#include "support/temp_dir.h"
#include "world/cell.h"
#include "world/database.h"
#include "world/element.h"
#include "world/world.h"

namespace {

// A world entered without a universe, with its cell store open.
class cells : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(database_init(), 1);
        main_set_directory(dir.path().c_str());
        main_set_hooks({nullptr, nullptr, [] { cell_reset(); }});
        ASSERT_EQ(world_init(), 0);
        ASSERT_EQ(world_enter("qo", 0), 0);
    }
    void TearDown() override
    {
        main_set_hooks({});
        cell_term();
        world_term();
    }

    static void add(int number, const std::string& model, const std::string& action = "")
    {
        ASSERT_EQ(cell_element_add(number, 7, 0x01020304, 500, -250, 999, -900, model.data(),
                                   model.size(), "", 0, action.data(), action.size()),
                  1);
    }

    static std::string numbers()
    {
        size_t length = 0;
        const uint8_t* p = cell_update_records(&length);
        std::string list;
        cell_record r;
        while (size_t n = cell_record_decode(p, length, &r)) {
            list += std::to_string(r.number) + " ";
            p += n;
            length -= n;
        }
        return list;
    }

    temp_dir dir;
};

}  // namespace

TEST(cell_coordinates, cells_and_sectors_of_world_coordinates)
{
    EXPECT_EQ(cell_from_world(-0.3), -1);
    EXPECT_EQ(cell_from_world(2.9), 2);
    EXPECT_EQ(cell_from_world(0.0), 0);
    EXPECT_EQ(cell_from_world(-1.000005), -1);  // within 0.00001 of -1
    EXPECT_EQ(cell_from_world(-1.00002), -2);
    EXPECT_EQ(sector_from_cell(2), 0);
    EXPECT_EQ(sector_from_cell(3), 1);
    EXPECT_EQ(sector_from_cell(-3), 0);
    EXPECT_EQ(sector_from_cell(-4), -1);
    for (int n = -3; n <= 3; ++n)
        for (int c = 6 * n - 3; c <= 6 * n + 2; ++c)
            EXPECT_EQ(sector_from_cell(c), n) << c;
    EXPECT_EQ(sector_from_world(-18.5), -3);
}

TEST_F(cells, records_are_edited_stored_and_read_back_as_elements)
{
    cell_update_begin(4, -2);
    add(1, "tree.rwx", "create solid off");
    add(2, "wall.rwx");
    add(3, "sign.rwx");
    EXPECT_EQ(cell_element_delete(9), 0);
    EXPECT_EQ(numbers(), "1 2 3 ");
    // A number sent again replaces its record, which goes last.
    EXPECT_EQ(cell_element_delete(2), 1);
    add(2, "house.rwx");
    EXPECT_EQ(numbers(), "1 3 2 ");
    EXPECT_EQ(cell_update_end(), 1);

    cell_start(4, -2);
    element* e = nullptr;
    std::string models;
    int count = 0;
    while (cell_next(&e)) {
        models += std::string(element_model_name(e)) + " ";
        EXPECT_DOUBLE_EQ(element_x(e), 4.5);
        EXPECT_DOUBLE_EQ(element_y(e), -0.25);
        EXPECT_DOUBLE_EQ(element_z(e), -2 + 0.999);
        EXPECT_FLOAT_EQ(element_yaw(e), -90.0f);
        EXPECT_EQ(element_owner(e), 7u);
        EXPECT_EQ(element_stamp(e), 0x01020304u);
        ++count;
    }
    EXPECT_EQ(models, "tree.rwx sign.rwx house.rwx ");
    EXPECT_EQ(count, 3);
    EXPECT_EQ(element_count(), 3);
    // The newest element heads the list; texts end in zero bytes, empty
    // ones too.
    EXPECT_STREQ(element_model_name(e), "house.rwx");
    EXPECT_STREQ(element_description(e), "");
    EXPECT_STREQ(element_action(e), "");
    EXPECT_EQ(element_action(e) - element_model_name(e), 11);
    element* copy = element_copy(e);
    EXPECT_EQ(element_stamp(copy), 0u);
    EXPECT_GE(element_number(copy), 32);
    EXPECT_LE(element_number(copy), 254);
    EXPECT_STREQ(element_model_name(copy), "house.rwx");
    element_set_name(copy, "door");
    EXPECT_STREQ(element_name(copy), "door");
    element_destroy(copy);
    element_destroy(e);
    EXPECT_EQ(element_count(), 2);

    // A cell not stored reads as empty.
    cell_start(100, 100);
    EXPECT_EQ(cell_next(&e), 0);
}

TEST_F(cells, a_cell_is_never_filled_past_its_capacity)
{
    cell_update_begin(0, 0);
    std::string name(200, 'm');
    int added = 0;
    while (added < 10 && cell_element_add(added, 1, 0, 0, 0, 0, 0, name.data(), name.size(), "",
                                          0, "", 0))
        ++added;
    EXPECT_EQ(added, static_cast<int>(cell_capacity / (20 + name.size())));
    size_t before = 0;
    cell_update_records(&before);
    EXPECT_EQ(cell_element_add(99, 1, 0, 0, 0, 0, 0, name.data(), name.size(), "", 0, "", 0), 0);
    size_t after = 0;
    cell_update_records(&after);
    EXPECT_EQ(before, after);
}

TEST_F(cells, sector_stamps_are_kept_as_sent)
{
    EXPECT_EQ(cell_sector_timestamp(1, -1), 0u);
    EXPECT_EQ(cell_sector_set_timestamp(1, -1, 0xA1B2C3D4), 1);
    EXPECT_EQ(cell_sector_timestamp(1, -1), 0xA1B2C3D4u);
    EXPECT_EQ(cell_sector_timestamp(-1, 1), 0u);
}

TEST_F(cells, world_attributes_come_from_the_store_and_a_new_stamp_empties_the_cells)
{
    EXPECT_EQ(world_enter("a.b", 0), 1);
    EXPECT_EQ(world_enter("a:b", 0), 1);
    EXPECT_EQ(world_enter("", 0), 1);
    EXPECT_EQ(world_enter("QO", 0), 0);
    EXPECT_STREQ(world_current_name(), "qo");
    // Defaults until the server speaks.
    EXPECT_STREQ(world_title(), "Kestrel");
    EXPECT_STREQ(world_attribute(13), "178");
    EXPECT_EQ(world_entered(), 0);

    // The server's attributes: a later record for a slot wins; slot 16 names
    // the world.
    const uint8_t reply[] = {0, 3, 'O', 'l', 'd', 0, 3, 'N', 'e', 'w', 19, 1, 'a', 16, 2, 'q', 'o'};
    world_options_reply(reply, sizeof reply, 0);
    EXPECT_STREQ(world_title(), "New");
    EXPECT_EQ(world_entered(), 1);
    EXPECT_EQ(world_attributes_pending(), 0);
    cell_update_begin(0, 0);
    add(1, "tree.rwx");
    cell_update_end();

    // Back again: the stored attributes at once; the cells are still there.
    ASSERT_EQ(world_enter("gate", 0), 0);
    ASSERT_EQ(world_enter("qo", 0), 0);
    EXPECT_STREQ(world_title(), "New");
    EXPECT_EQ(world_entered(), 1);
    element* e = nullptr;
    cell_start(0, 0);
    ASSERT_EQ(cell_next(&e), 1);
    element_destroy(e);
    // A new cache stamp from the server empties the cell store.
    const uint8_t stamped[] = {0, 3, 'N', 'e', 'w', 19, 1, 'b', 16, 2, 'q', 'o'};
    world_options_reply(stamped, sizeof stamped, 0);
    cell_start(0, 0);
    EXPECT_EQ(cell_next(&e), 0);
}

TEST_F(cells, an_ejected_user_goes_back_to_the_world_before)
{
    teleport_history_push();
    ASSERT_EQ(world_enter("gate", 0), 0);
    self_set_position(2, 0.1, 3, 90);
    teleport_history_push();
    world_ejected();
    EXPECT_STREQ(world_current_name(), "qo");
    EXPECT_EQ(teleport_can_go_back(), 0);
}

TEST(world_attributes, encode_skips_what_only_the_server_sets_and_decode_stops_at_a_cut_record)
{
    const uint8_t data[] = {14, 1, 'Y', 0, 2, 'H', 'i', 21, 1, '9', 3, 1, 'p', 16, 2, 'q', 'o'};
    world_attributes a;
    EXPECT_EQ(world_attributes_decode(data, sizeof data, &a), 1);
    uint8_t out[64];
    size_t n = world_attributes_encode(&a, out, sizeof out);
    const uint8_t sent[] = {0, 2, 'H', 'i', 3, 1, 'p'};
    ASSERT_EQ(n, sizeof sent);
    EXPECT_EQ(std::memcmp(out, sent, n), 0);
    const uint8_t cut[] = {0, 2, 'H', 'i', 1, 5, 's', 'k'};
    EXPECT_EQ(world_attributes_decode(cut, sizeof cut, &a), 0);
    EXPECT_TRUE(a.set[0]);
    EXPECT_FALSE(a.set[1]);
    EXPECT_EQ(world_rights_length("1, 2 *x3"), 6u);
}
