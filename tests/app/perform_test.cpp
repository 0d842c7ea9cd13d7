#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QWidget>

#include <memory>

#include "app/perform.h"
#include "app/perform_page.h"
#include "base/profile.h"
#include "support/temp_dir.h"
#include "ui/sheet_page.h"

namespace {

class performance : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("vireo.ini", "");
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        ASSERT_EQ(perform_init(uint64_t{1} << 32), 1);
    }

    temp_dir dir;
};

}  // namespace

TEST_F(performance, entries_outside_the_ranges_count_as_their_bounds)
{
    perform_choice before = perform_current();
    EXPECT_EQ(before.framerate, 7);
    EXPECT_EQ(before.visibility, 40);
    perform_choice after = before;
    after.framerate = 2;
    after.visibility = 200;
    perform_apply(before, after);
    EXPECT_EQ(profile_int("performance", "framerate"), 3);
    EXPECT_EQ(profile_int("performance", "visibility"), 120);
    after.framerate = 200;
    after.visibility = 2;
    perform_apply(before, after);
    EXPECT_EQ(profile_int("performance", "framerate"), 30);
    EXPECT_EQ(profile_int("performance", "visibility"), 25);
}

TEST_F(performance, acceleration_changes_ask_for_a_restart_once)
{
    perform_choice before = perform_current();
    EXPECT_FALSE(before.directdraw);
    perform_choice after = before;
    EXPECT_EQ(perform_apply(before, after), 0);

    after.directdraw = 1;
    after.mmx = 1;
    EXPECT_EQ(perform_apply(before, after), 1);
    EXPECT_EQ(profile_int("performance", "try_directdraw"), 1);
    EXPECT_EQ(profile_int("performance", "mmx"), 1);
    EXPECT_TRUE(perform_current().directdraw);

    // Already asked for: nothing more to say.
    EXPECT_EQ(perform_apply(perform_current(), after), 0);

    after.directdraw = 0;
    EXPECT_EQ(perform_apply(perform_current(), after), 0);
    EXPECT_EQ(profile_int("performance", "try_directdraw"), 0);
    EXPECT_EQ(profile_int("performance", "directdraw"), 0);
    after.mmx = 0;
    EXPECT_EQ(perform_apply(perform_current(), after), 1);
    EXPECT_EQ(profile_int("performance", "mmx"), 0);
}

TEST_F(performance, the_avatar_switches_are_stored_only_when_changed)
{
    perform_choice before = perform_current();
    perform_apply(before, before);
    EXPECT_EQ(profile_int("performance", "avatars"), -1);
    perform_choice after = before;
    after.lifeforms = 0;
    after.panning = 1;
    perform_apply(before, after);
    EXPECT_EQ(profile_int("performance", "avatars"), 1);
    EXPECT_EQ(profile_int("performance", "lifeforms"), 0);
    EXPECT_EQ(profile_int("performance", "panning"), 1);
    EXPECT_EQ(perform_lifeforms(), 0);
}

TEST_F(performance, the_page_clamps_what_was_typed)
{
    std::unique_ptr<sheet_page> page(perform_page_create());
    auto* framerate = page->findChild<QSpinBox*>("framerate");
    auto* visibility = page->findChild<QSpinBox*>("visibility");
    ASSERT_NE(framerate, nullptr);
    ASSERT_NE(visibility, nullptr);
    EXPECT_EQ(framerate->minimum(), 3);
    EXPECT_EQ(framerate->maximum(), 30);
    EXPECT_EQ(visibility->minimum(), 25);
    EXPECT_EQ(visibility->maximum(), 120);
    for (const char* id : {"801", "802", "803", "808", "809"})
        EXPECT_NE(page->findChild<QCheckBox*>(id), nullptr) << id;

    framerate->findChild<QLineEdit*>()->setText("2");
    visibility->findChild<QLineEdit*>()->setText("200");
    page->findChild<QCheckBox*>("803")->setChecked(true);
    page->apply();
    EXPECT_EQ(profile_int("performance", "framerate"), 3);
    EXPECT_EQ(profile_int("performance", "visibility"), 120);
    EXPECT_EQ(profile_int("performance", "panning"), 1);
}
