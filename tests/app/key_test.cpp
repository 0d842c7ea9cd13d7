#include <gtest/gtest.h>

#include <Qt>

#include "app/key.h"
#include "app/key_map.h"

TEST(key, a_press_counts_once_even_when_released_before_the_query)
{
    key_clear();
    key_down(vk_up);
    key_up(vk_up);
    EXPECT_EQ(key_query(vk_up), 1);
    EXPECT_EQ(key_query(vk_up), 0);
}

TEST(key, a_held_key_keeps_answering_until_released)
{
    key_clear();
    key_down(vk_left);
    EXPECT_EQ(key_query(vk_left), 1);
    EXPECT_EQ(key_query(vk_left), 1);
    key_up(vk_left);
    EXPECT_EQ(key_query(vk_left), 0);
}

TEST(key, clear_forgets_presses_and_held_keys_and_big_codes_are_ignored)
{
    key_down(vk_right);
    key_down(vk_down);
    key_clear();
    EXPECT_EQ(key_query(vk_right), 0);
    EXPECT_EQ(key_query(vk_down), 0);
    key_down(256);
    key_down(-1);
    EXPECT_EQ(key_query(256), 0);
    EXPECT_EQ(key_query(-1), 0);
}

TEST(key_map, qt_keys_become_virtual_keys)
{
    EXPECT_EQ(key_map_from_qt(Qt::Key_A, false), 'A');
    EXPECT_EQ(key_map_from_qt(Qt::Key_7, false), '7');
    EXPECT_EQ(key_map_from_qt(Qt::Key_7, true), vk_numpad0 + 7);
    EXPECT_EQ(key_map_from_qt(Qt::Key_Minus, true), vk_subtract);
    EXPECT_EQ(key_map_from_qt(Qt::Key_Minus, false), 189);
    EXPECT_EQ(key_map_from_qt(Qt::Key_Plus, true), vk_add);
    EXPECT_EQ(key_map_from_qt(Qt::Key_PageUp, false), vk_prior);
    EXPECT_EQ(key_map_from_qt(Qt::Key_PageUp, true), vk_prior);
    EXPECT_EQ(key_map_from_qt(Qt::Key_F12, false), 123);
    EXPECT_EQ(key_map_from_qt(Qt::Key_Exclam, false), '1');
    EXPECT_EQ(key_map_from_qt(Qt::Key_Shift, false), vk_shift);
    EXPECT_EQ(key_map_from_qt(Qt::Key_unknown, false), 0);
}
