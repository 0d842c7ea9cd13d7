#include <gtest/gtest.h>

#include <string>

#include "base/msg.h"
#include "base/string_table.h"

TEST(msg, formats_entries_of_the_string_table)
{
    EXPECT_STREQ(msg(msg_product), "Vireo");
    EXPECT_STREQ(msg(msg_error), "Error");
    EXPECT_STREQ(msg(26, 12.345), "12.3 frames/sec");
    EXPECT_STREQ(msg(18, 10061), "Unable to connect to network (reason 10061)");
    EXPECT_STREQ(msg(135, "Vireo"),
                 "Sorry, Vireo requires either Windows 95 or Windows NT (4.0 or later).  "
                 "Windows 3.1 is not supported.");
    EXPECT_STREQ(msg(4000), "string 4000");
}

TEST(msg, four_results_live_at_once_and_the_fifth_reuses_the_first)
{
    const char* first = msg(18, 1);
    const char* second = msg(18, 2);
    const char* third = msg(18, 3);
    const char* fourth = msg(18, 4);
    EXPECT_STREQ(first, "Unable to connect to network (reason 1)");
    EXPECT_STREQ(fourth, "Unable to connect to network (reason 4)");
    EXPECT_NE(first, second);
    EXPECT_NE(third, fourth);
    const char* fifth = msg(18, 5);
    EXPECT_EQ(fifth, first);
    EXPECT_STREQ(first, "Unable to connect to network (reason 5)");
    EXPECT_STREQ(second, "Unable to connect to network (reason 2)");
}

TEST(msg, long_texts_are_cut_to_the_buffer)
{
    std::string name(2000, 'n');
    std::string text = msg(135, name.c_str());
    EXPECT_EQ(text.size(), 511u);
}

TEST(string_table, holds_the_start_up_failure_texts)
{
    for (int id : {1, 5, 6, 9, 11, 13, 14, 15, 16, 18, 21, 23, 30, 82, 100, 102, 104, 124, 135,
                   140, 151, 186, 205, 206})
        EXPECT_NE(string_table_get(id), nullptr) << id;
    EXPECT_EQ(string_table_get(0), nullptr);
    EXPECT_EQ(string_table_get(-3), nullptr);
}
