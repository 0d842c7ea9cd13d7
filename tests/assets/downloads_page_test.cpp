#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QWidget>

#include <memory>
#include <string>

#include "assets/dloptions.h"
#include "assets/downloads_page.h"
#include "base/profile.h"
#include "support/temp_dir.h"
#include "ui/sheet_page.h"

namespace {

class downloads_page : public ::testing::Test {
protected:
    void settings(const std::string& text)
    {
        dir.write("vireo.ini", text);
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        dloptions_init();
        page.reset(downloads_page_create());
    }
    QRadioButton* radio(const char* name) { return page->findChild<QRadioButton*>(name); }
    QSpinBox* limit(const char* group) { return page->findChild<QSpinBox*>(QString(group) + "_limit"); }

    temp_dir dir;
    std::unique_ptr<sheet_page> page;
};

}  // namespace

TEST_F(downloads_page, defaults_follow_the_urls_switch)
{
    settings("[downloads]\naudio=-1\n");
    EXPECT_EQ(dloptions_pictures(), 100);
    EXPECT_EQ(dloptions_audio(), 150);
    EXPECT_TRUE(radio("pictures_smaller")->isChecked());
    EXPECT_EQ(limit("pictures")->value(), 100);
    EXPECT_EQ(limit("audio")->value(), 150);

    // urls = 0 turns the defaults to none; the fields still suggest the limits.
    settings("[performance]\nurls=0\n");
    EXPECT_EQ(dloptions_pictures(), 0);
    EXPECT_EQ(dloptions_audio(), 0);
    EXPECT_TRUE(radio("pictures_none")->isChecked());
    EXPECT_TRUE(radio("audio_none")->isChecked());
    EXPECT_EQ(limit("audio")->value(), 150);
    EXPECT_FALSE(limit("audio")->isEnabled());
    radio("audio_smaller")->setChecked(true);
    EXPECT_TRUE(limit("audio")->isEnabled());

    // Stored values win whatever the switch says.
    settings("[performance]\nurls=0\n[downloads]\npictures=1\naudio=300\n");
    EXPECT_TRUE(radio("pictures_all")->isChecked());
    EXPECT_TRUE(radio("audio_smaller")->isChecked());
    EXPECT_EQ(limit("audio")->value(), 300);
}

TEST_F(downloads_page, shows_the_groups_and_applies_none_all_or_the_limit)
{
    settings("[downloads]\n");
    EXPECT_EQ(page->objectName(), "613");
    EXPECT_EQ(page->findChild<QGroupBox*>("pictures")->title(), "Pictures (Absolute URLs to JPEG files)");
    EXPECT_EQ(page->findChild<QGroupBox*>("audio")->title(), "Audio (Absolute URLs to WAV and MIDI files)");
    for (const char* group : {"pictures", "audio"}) {
        auto* box = page->findChild<QGroupBox*>(group);
        EXPECT_EQ(box->findChild<QLabel*>()->buddy(), limit(group));
        EXPECT_EQ(limit(group)->minimum(), 10);
        EXPECT_EQ(limit(group)->maximum(), 999);
    }

    radio("pictures_none")->setChecked(true);
    limit("audio")->setValue(5);
    EXPECT_EQ(profile_int("downloads", "pictures"), -1);
    page->apply();
    EXPECT_EQ(profile_int("downloads", "pictures"), 0);
    EXPECT_EQ(profile_int("downloads", "audio"), 10);
    EXPECT_EQ(dloptions_audio(), 10);

    radio("pictures_all")->setChecked(true);
    page->apply();
    EXPECT_EQ(profile_int("downloads", "pictures"), 1);
    EXPECT_EQ(dloptions_pictures(), 1);
}
