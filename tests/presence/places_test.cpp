#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/log.h"
#include "base/main.h"
#include "behavior/behavior.h"
#include "presence/places.h"
#include "presence/teleport.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> logged;

class places : public ::testing::Test {
protected:
    void SetUp() override
    {
        places_term();
        main_set_directory(dir.path().c_str());
        logged.clear();
        log_set_observer([](const char* text) { logged.emplace_back(text); });
    }

    void TearDown() override
    {
        log_set_observer(nullptr);
        places_clear();
        places_term();
    }

    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < places_count(); ++i)
            out.emplace_back(places_name(i));
        return out;
    }

    temp_dir dir;
};

}  // namespace

TEST_F(places, a_file_loads_what_it_can_and_logs_each_line_it_skips)
{
    EXPECT_EQ(places_load(), 0);
    EXPECT_EQ(places_count(), 0);
    EXPECT_TRUE(logged.empty());

    std::string text = "qo 1.0N 2.0W 0.1a 0:Pond\n"     // 1
                       "no colon at all\n"               // 2
                       "gate 1N 1W:" + std::string(250, 'x') + "\n"  // 3: line too long
                       "qo 3N 3W:" + std::string(200, 'n') + "\n"    // 4: name too long
                       + std::string(120, 'w') + " 1N 1W:Far\n"      // 5: location too long
                       "qo 4N 4W:\n"                     // 6: no name
                       ":Nowhere\n"                      // 7: no location
                       "qo 5N 5W:Tab\there\n"            // 8: control character
                       "\n"                              // 9: blank, passed over
                       "gate 6S 7E 2.0a 90:Gate: east\r\n"  // 10: split at the first ':'
                       + std::string("qo 8N 8W:Zero\0byte\n", 19) +  // 11
                       "qo 9N 9W:Last";                  // 12: no line feed at the end
    dir.write("teleport.txt", text);
    EXPECT_EQ(places_load(), 8);
    EXPECT_EQ(names(), (std::vector<std::string>{"Pond", "Gate: east", "Last"}));
    EXPECT_STREQ(places_location(1), "gate 6S 7E 2.0a 90");
    for (int line : {2, 3, 4, 5, 6, 7, 8, 11}) {
        std::string mark = "teleport.txt line " + std::to_string(line) + " skipped";
        int found = 0;
        for (const std::string& l : logged)
            found += l.find(mark) != std::string::npos;
        EXPECT_EQ(found, 1) << mark;
    }
    EXPECT_EQ(logged.size(), 8u);

    // Over-long lines, names and garbage of any kind never read out of bounds.
    std::string noise(5000, ':');
    for (size_t i = 0; i < noise.size(); i += 7)
        noise[i] = static_cast<char>(i);
    places_parse(noise.data(), noise.size());
    places_parse(nullptr, 10);
}

TEST_F(places, ids_count_up_from_2000_are_never_reused_and_the_file_reads_back_alike)
{
    EXPECT_EQ(places_add("Pond\nsecond line", "qo 1.0N 2.0W 0.1a 0"), 2000);
    EXPECT_EQ(places_add("", "qo 1N 1W"), 0);
    EXPECT_EQ(places_add("Colon", "qo:1N 1W"), 0);
    EXPECT_EQ(places_add("Long", std::string(places_location_limit + 1, 'w').c_str()), 0);
    // A long name is cut between characters ("é" is two bytes).
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xc3\xa9";
    EXPECT_EQ(places_add(accents.c_str(), "gate 3S 4E 1.0a 90"), 2001);
    EXPECT_EQ(std::string(places_name(1)), accents.substr(0, places_name_limit - 1));
    EXPECT_EQ(places_save(), 0);
    EXPECT_EQ(dir.read("teleport.txt"), "qo 1.0N 2.0W 0.1a 0:Pond\ngate 3S 4E 1.0a 90:" +
                                            accents.substr(0, places_name_limit - 1) + "\n");

    EXPECT_EQ(teleport_command(2001), 1);
    EXPECT_EQ(teleport_command(1999), 0);
    places_clear();
    EXPECT_EQ(teleport_command(2001), 0);
    EXPECT_EQ(places_load(), 0);
    EXPECT_EQ(places_id(0), 2002);
    EXPECT_EQ(places_id(1), 2003);
    EXPECT_STREQ(places_name(0), "Pond");
    EXPECT_EQ(places_text(), dir.read("teleport.txt"));
    EXPECT_EQ(teleport_command(2002), 1);
    // The posted teleport would run at the next frame of a program.
    behavior_post("");
}
