#include <gtest/gtest.h>

#include <QCheckBox>
#include <QWidget>

#include <memory>

#include "base/profile.h"
#include "people/sndoptions.h"
#include "people/sound_page.h"
#include "support/temp_dir.h"
#include "ui/sheet_page.h"

TEST(sound_page, reads_missing_keys_as_on_and_applies_both_choices)
{
    temp_dir dir;
    dir.write("vireo.ini", "[sound]\nsounds=-1\n");
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    sndoptions_init();
    EXPECT_EQ(sndoptions_sounds(), 1);
    EXPECT_EQ(sndoptions_music(), 1);

    std::unique_ptr<sheet_page> page(sound_page_create());
    EXPECT_EQ(page->objectName(), "612");
    auto* music = page->findChild<QCheckBox*>("1101");
    auto* sounds = page->findChild<QCheckBox*>("1102");
    ASSERT_TRUE(music && sounds);
    EXPECT_EQ(music->text(), "Play background &music (MIDI files)");
    EXPECT_EQ(sounds->text(), "Play &sound effects (WAV files)");
    EXPECT_TRUE(music->isChecked());
    EXPECT_TRUE(sounds->isChecked());

    // Nothing is written before Apply; then each key gets its own box.
    music->setChecked(false);
    EXPECT_EQ(profile_int("sound", "music"), -1);
    page->apply();
    EXPECT_EQ(profile_int("sound", "music"), 0);
    EXPECT_EQ(profile_int("sound", "sounds"), 1);
    EXPECT_EQ(sndoptions_music(), 0);

    // Only 0 is off when the file is read again.
    dir.write("vireo.ini", "[sound]\nsounds=0\nmusic=2\n");
    sndoptions_init();
    std::unique_ptr<sheet_page> again(sound_page_create());
    EXPECT_FALSE(again->findChild<QCheckBox*>("1102")->isChecked());
    EXPECT_TRUE(again->findChild<QCheckBox*>("1101")->isChecked());
}
