#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "support/traced_dir.h"
#include "ui/cgi.h"

namespace {

std::vector<std::string> posted;

// Commands posted to the action engine show in the trace log.
class hand_off : public ::testing::Test {
protected:
    void SetUp() override
    {
        posted.clear();
        cgi_term();
    }

    void TearDown() override { cgi_term(); }

    traced_dir home{[](const char* text) {
        std::string t = text;
        if (t.rfind("behavior_post (", 0) == 0)
            posted.push_back(t.substr(15, t.size() - 16));
    }};
};

}  // namespace

TEST_F(hand_off, the_first_line_of_a_teleport_file_is_posted_up_to_its_first_comma)
{
    home.dir().write("go.txt", "Teleport qo 10n 20w, extra\r\nsecond line\n");
    cgi_init(home.dir().file("go.txt").c_str());
    cgi_update();
    EXPECT_EQ(posted, (std::vector<std::string>{"Teleport qo 10n 20w"}));
    // The hand-off runs once; the file stays.
    cgi_update();
    EXPECT_EQ(posted.size(), 1u);
    EXPECT_EQ(access(home.dir().file("go.txt").c_str(), F_OK), 0);
}

TEST_F(hand_off, other_files_are_ignored)
{
    home.dir().write("other.txt", "url http://example.org\n");
    cgi_init(home.dir().file("other.txt").c_str());
    cgi_update();
    cgi_init(home.dir().file("missing.txt").c_str());
    cgi_update();
    cgi_init(home.dir().path().c_str());
    cgi_update();
    cgi_init("");
    cgi_update();
    EXPECT_TRUE(posted.empty());
}

TEST_F(hand_off, a_passed_on_command_line_replaces_the_pending_one)
{
    home.dir().write("a.txt", "teleport a\n");
    home.dir().write("b.txt", "teleport b\n");
    cgi_init(home.dir().file("a.txt").c_str());
    cgi_receive(home.dir().file("b.txt").c_str());
    cgi_update();
    EXPECT_EQ(posted, (std::vector<std::string>{"teleport b"}));
}

TEST_F(hand_off, only_the_first_255_characters_of_a_line_count)
{
    home.dir().write("long.txt", "teleport " + std::string(400, 'x') + "\n");
    cgi_init(home.dir().file("long.txt").c_str());
    cgi_update();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].size(), 255u);
}
