#include <gtest/gtest.h>

#include <string>

#include "base/ini.h"

namespace {

std::string get(const std::string& text, const char* section, const char* key)
{
    std::string value;
    return ini_get(text, section, key, &value) ? value : "<missing>";
}

}  // namespace

TEST(ini, names_compare_without_case_and_values_are_trimmed)
{
    std::string text = "[Universe]\n  Host =  example.org  \nport=5670\n";
    EXPECT_EQ(get(text, "universe", "host"), "example.org");
    EXPECT_EQ(get(text, "UNIVERSE", "PORT"), "5670");
    EXPECT_EQ(get(text, "universe", "missing"), "<missing>");
    EXPECT_EQ(get(text, "other", "host"), "<missing>");
}

TEST(ini, keys_belong_to_their_own_section_only)
{
    std::string text = "[a]\nx=1\n[b]\ny=2\n[a]\nz=3\n";
    EXPECT_EQ(get(text, "a", "x"), "1");
    EXPECT_EQ(get(text, "a", "y"), "<missing>");
    // The first section of a name is the one read.
    EXPECT_EQ(get(text, "a", "z"), "<missing>");
    EXPECT_EQ(get("x=1\n[a]\n", "a", "x"), "<missing>");
}

TEST(ini, comments_quotes_and_crlf)
{
    std::string text = "; comment\r\n[s]\r\n;k=hidden\r\nk=\"quoted value\"\r\ne=\r\n";
    EXPECT_EQ(get(text, "s", "k"), "quoted value");
    EXPECT_EQ(get(text, "s", "e"), "");
    EXPECT_EQ(get(text, "s", ";k"), "<missing>");
}

TEST(ini, a_byte_order_mark_hides_no_section_and_is_kept)
{
    std::string text = "\xEF\xBB\xBF[universe]\nhost=example.org\n";
    EXPECT_EQ(get(text, "universe", "host"), "example.org");
    EXPECT_EQ(ini_put(text, "universe", "port", "1"), text + "port=1\n");
    EXPECT_EQ(ini_put(text, "universe", "host", "a"), "\xEF\xBB\xBF[universe]\nhost=a\n");
}

TEST(ini, put_replaces_a_key_in_place_and_keeps_everything_else)
{
    std::string text = "; keep me\n[s]\na=1\nb=2\n\n[t]\nc=3\n";
    std::string out = ini_put(text, "S", "A", "10");
    EXPECT_EQ(out, "; keep me\n[s]\na=10\nb=2\n\n[t]\nc=3\n");
}

TEST(ini, put_adds_a_key_after_the_last_line_of_its_section)
{
    std::string text = "[s]\na=1\n\n[t]\nc=3\n";
    EXPECT_EQ(ini_put(text, "s", "b", "2"), "[s]\na=1\nb=2\n\n[t]\nc=3\n");
    EXPECT_EQ(ini_put("[s]\na=1", "s", "b", "2"), "[s]\na=1\nb=2\n");
}

TEST(ini, put_appends_a_missing_section_and_keeps_crlf)
{
    EXPECT_EQ(ini_put("", "s", "k", "v"), "[s]\nk=v\n");
    EXPECT_EQ(ini_put("[a]\r\nx=1", "b", "k", "v"), "[a]\r\nx=1\r\n[b]\r\nk=v\r\n");
}

TEST(ini, put_cannot_break_the_file_with_line_breaks)
{
    std::string out = ini_put("[s]\n", "s", "k", "one\ntwo\r\n[evil]");
    EXPECT_EQ(get(out, "s", "k"), "one two  [evil]");
    EXPECT_EQ(out.find("\n[evil]"), std::string::npos);
}
