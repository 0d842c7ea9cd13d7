#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "behavior/behavior.h"
#include "behavior/color.h"
#include "presence/coords.h"
#include "presence/self.h"
#include "support/traced_dir.h"
#include "world/element.h"

namespace {

// What the action engine asked of the modules it drives, as they log it.
std::vector<std::string> calls;

// Elements with actions, and the trace log watched for the calls.
class actions : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls.clear();
        behavior_set_web([](const char* url, int from_world) {
            calls.push_back(std::string("url ") + url + " " + std::to_string(from_world));
            return 1;
        });
        self_set_position(5, 1, 5, 0);
    }

    void TearDown() override
    {
        for (element* e : made)
            element_destroy(e);
        behavior_set_web(nullptr);
    }

    element* make(const std::string& action, uint32_t owner = 1, int create = 0)
    {
        element* e = element_create(0, 0, 0, 0, "m", 1, "desc", 4, action.data(), action.size(), 1,
                                    owner, create, 0);
        made.push_back(e);
        return e;
    }

    static std::string taken()
    {
        std::string all;
        for (const std::string& c : calls)
            all += (all.empty() ? "" : "|") + c;
        calls.clear();
        return all;
    }

    static void run(const char* command)
    {
        behavior_post(command);
        behavior_update();
    }

    static place at()
    {
        place p;
        self_position(&p.x, &p.y, &p.z, &p.yaw);
        return p;
    }

    traced_dir home{[](const char* text) {
        std::string t = text;
        for (const char* p : {"sound_", "animation_", "sign_", "picture_", "avatar_show",
                              "behavior_post", "teleport_"}) {
            if (t.rfind(p, 0) == 0)
                calls.push_back(t);
        }
    }};
    std::vector<element*> made;
};

}  // namespace

TEST_F(actions, the_door_example_sounds_and_hides_at_creation_and_opens_its_address_on_a_click)
{
    element* e = make("create sound door.wav, visible off; activate url x", 1, 1);
    EXPECT_EQ(taken(), "sound_register (door.wav)|sound_object (door.wav)");
    EXPECT_EQ(element_visible(e), 0);
    EXPECT_EQ(behavior_trigger(e, action_activate), 1);
    EXPECT_EQ(taken(), "url x 0");
    // The old form plays its sound at creation and has no other clause; a
    // lone word is left to the click to open as an address.
    element* bell = make("sound:bell.wav", 1, 1);
    EXPECT_EQ(taken(), "sound_register (bell.wav)|sound_object (bell.wav)");
    EXPECT_EQ(behavior_trigger(bell, action_activate), 0);
    element* link = make("www.example.com");
    EXPECT_EQ(behavior_check(link), 0);
    EXPECT_EQ(behavior_trigger(link, action_activate), 0);
    // A create clause opens addresses keeping the focus; pictures of
    // create clauses are not requested ahead, those of others are.
    make("create url y, picture a.jpg; activate picture b.jpg, animate me t 2 2 9", 1, 1);
    EXPECT_EQ(taken(), "picture_request (b.jpg)|animation_preload (t, 2, 1)|url y 1|"
                       "picture_show (a.jpg, 0)");
    uint64_t before = behavior_actions_run();
    EXPECT_EQ(behavior_trigger(e, action_activate), 1);
    EXPECT_EQ(behavior_actions_run(), before + 1);
}

TEST_F(actions, each_command_reads_its_arguments_and_a_clause_stops_at_its_first_error)
{
    struct example {
        const char* action;
        int well_formed, ran;
        const char* calls;
    };
    const example examples[] = {
        {"noise a.wav", 1, 1, "sound_noise (a.wav)"},
        {"NOISE \"a b.wav\"", 1, 1, "sound_noise (a b.wav)"},
        {"noise", 0, 0, ""},
        {"sound s.wav", 1, 1, "sound_object (s.wav)"},
        {"url", 0, 0, ""},
        {"name", 0, 0, ""},
        {"avatars Off", 1, 1, "avatar_show_others (0)"},
        {"avatars maybe", 0, 0, ""},
        {"visible maybe", 0, 0, ""},
        {"solid", 0, 0, ""},
        {"cursor yes", 1, 1, ""},
        {"animate me tex 3 3 100", 1, 1, "animation_create (0, 1, tex, 3, in order, 3, 100)"},
        {"animate nomask tag=5 ME tex 2 3 100 1 2 2", 1, 1,
         "animation_create (5, 0, tex, 2, listed, 3, 100)"},
        {"animate me tex 2 3 100", 0, 0, ""},
        {"animate me tex 2 3 100 1 2", 0, 0, ""},
        {"animate me tex 0 3 100", 1, 1, ""},
        {"animate tag=1 tag=2 me tex 1 1 1", 0, 0, ""},
        {"frame -1", 1, 1, "animation_frame (1, -1)"},
        {"frame 3.5", 1, 1, "animation_frame (0, 3)"},
        {"frame", 0, 0, ""},
        {"astart", 1, 1, "animation_start (0)"},
        {"astart true", 1, 1, "animation_start (1)"},
        {"astop", 1, 1, "animation_stop"},
        {"sign", 1, 1, "sign_draw (desc, 000000, 000000)"},
        {"sign Hi bcolor=0000ff color=RED", 1, 1, "sign_draw (Hi, 0000ff, ff0000)"},
        {"sign color=red color=blue", 0, 0, ""},
        {"picture update=5 a.jpg", 1, 1, "picture_show (a.jpg, 5)"},
        {"picture update=x a.jpg", 0, 0, ""},
        {"picture name=a", 0, 0, ""},
        {"teleport", 0, 0, ""},
        {"warp qo", 0, 0, ""},
        {"teleport 1n 1w 2a 3", 1, 1,
         "sound_noise (deport1.wav)|teleport_jump (, 1.0N 1.0W 2.0a 3)"},
        {"teleport 1n 1w 2b", 0, 0, ""},
        {"bogus", 0, 0, ""},
        // Commands before an error stand; a clause ends at a token that
        // is not a comma, which only the check pass refuses.
        {"noise a.wav, bogus, noise b.wav", 0, 0, "sound_noise (a.wav)"},
        {"noise a.wav noise b.wav", 0, 1, "sound_noise (a.wav)"},
        {"noise a.wav,", 1, 1, "sound_noise (a.wav)"},
        {"; activate noise a.wav", 0, 0, ""},
    };
    for (const example& x : examples) {
        element* e = make(std::string("activate ") + x.action);
        EXPECT_EQ(behavior_check(e), x.well_formed) << x.action;
        calls.clear();
        EXPECT_EQ(behavior_trigger(e, action_activate), x.ran) << x.action;
        EXPECT_EQ(taken(), x.calls) << x.action;
    }
}

TEST_F(actions, targets_are_the_named_elements_of_the_same_owner)
{
    element* a = make("create name door", 1, 1);
    element* b = make("create name DOOR", 1, 1);
    element* other = make("create name door", 2, 1);
    element* button = make("activate visible door off, solid Door off");
    EXPECT_EQ(behavior_trigger(button, action_activate), 1);
    EXPECT_EQ(element_visible(a) + element_visible(b), 0);
    EXPECT_EQ(element_solid(a) + element_solid(b), 0);
    EXPECT_EQ(element_visible(other) + element_solid(other), 2);
    EXPECT_EQ(element_visible(button), 1);
}

TEST_F(actions, a_bump_posts_its_teleport_for_the_next_frame_and_stops_the_collision_test)
{
    element* e = make("create teleport 1n 1w; bump warp 2n 3w, noise x.wav; activate teleport +1 -2");
    calls.clear();
    EXPECT_EQ(behavior_trigger(e, action_create), 1);
    EXPECT_EQ(behavior_take_stop(), 0);
    EXPECT_EQ(behavior_trigger(e, action_bump), 1);
    EXPECT_EQ(taken(), "behavior_post (warp 2n 3w, noise x.wav)|sound_noise (x.wav)");
    EXPECT_EQ(behavior_take_stop(), 1);
    EXPECT_EQ(behavior_take_stop(), 0);
    behavior_update();
    EXPECT_EQ(taken(), "sound_noise (warp1.wav)|teleport_glide (2.0N 3.0W 0.1a 0)");
    // Relative places add to where the viewer is: north, then west.
    EXPECT_EQ(behavior_trigger(e, action_activate), 1);
    EXPECT_DOUBLE_EQ(at().z, 6);
    EXPECT_DOUBLE_EQ(at().x, 3);
    EXPECT_DOUBLE_EQ(at().y, 1);
}

TEST_F(actions, teleports_read_places_absolute_or_relative_but_not_mixed)
{
    run("teleport 10N 20W");
    EXPECT_EQ(taken(), "behavior_post (teleport 10N 20W)|sound_noise (deport1.wav)|"
                       "teleport_jump (, 10.0N 20.0W 0.1a 0)");
    EXPECT_DOUBLE_EQ(at().z, 10);
    EXPECT_DOUBLE_EQ(at().x, 20);
    run("Teleport 10N +2");
    run("teleport 10X 5W");
    EXPECT_DOUBLE_EQ(at().z, 10);
    run("teleport 40S 50E 2a 90");
    EXPECT_STREQ(coords_format(at()), "40.0S 50.0E 2.0a 90");
    run("teleport 12.5n .5e");
    EXPECT_STREQ(coords_format(at()), "12.5N 0.5E 0.1a 0");
    run("teleport +0 +0 +1a +45");
    EXPECT_STREQ(coords_format(at()), "12.5N 0.5E 1.1a 45");
    run("teleport -1 +2 -90");
    EXPECT_STREQ(coords_format(at()), "11.5N 1.5W 1.1a 315");
    run((std::string("teleport ") + coords_format({7.25, 0.5, -3.75, 180})).c_str());
    EXPECT_STREQ(coords_format(at()), "3.8S 7.2W 0.5a 180");
    // Only one command of a posted text runs.
    calls.clear();
    run("noise a.wav, noise b.wav");
    EXPECT_EQ(taken(), "behavior_post (noise a.wav, noise b.wav)|sound_noise (a.wav)");
}

TEST_F(actions, garbage_actions_do_no_harm_and_run_the_clauses_they_hold)
{
    std::string huge = "activate frame " + std::string(240, '9');
    std::string separators(255, ';');
    separators.replace(0, 3, ",;\"");
    // The bump clause's file name lies past the 255 bytes read.
    std::string beyond = "activate noise a.wav" + std::string(222, ' ') + "; bump noise b.wav";
    const char* texts[] = {"create \"unterminated; activate noise c.wav",
                           huge.c_str(),
                           separators.c_str(),
                           beyond.c_str(),
                           "activate teleport 1e400n 1w 1e400 2",
                           "\x01\xff;activate noise\t\"q\"\x80",
                           "adone astart on, noise \"d.wav"};
    std::string ran;
    for (const char* t : texts) {
        element* e = make(t, 1, 1);
        calls.clear();
        for (action_trigger k : {action_activate, action_bump, action_adone})
            behavior_trigger(e, k);
        ran += taken() + ";";
    }
    EXPECT_EQ(ran, ";animation_frame (0, 2147483647);;sound_noise (a.wav);;sound_noise (q);"
                   "animation_start (1)|sound_noise (d.wav);");
}

TEST(colors, by_name_by_digits_and_by_position)
{
    EXPECT_EQ(color_by_name("Red", 3), 0x0000FFu);
    EXPECT_EQ(color_by_name("navyblue", 8), 0x8E2323u);
    EXPECT_EQ(color_by_name("FF8000zz", 8), 0x0080FFu);
    EXPECT_EQ(color_by_name("zz", 2), 0u);
    EXPECT_EQ(color_by_index(0), 0x93DB70u);
    EXPECT_EQ(color_by_index(31), 0x00FFFFu);
    EXPECT_EQ(color_by_index(32) | color_by_index(-1), 0u);
}
