#include <gtest/gtest.h>

#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QWidget>

#include <memory>

#include "app/disk.h"
#include "app/disk_page.h"
#include "base/profile.h"
#include "support/temp_dir.h"
#include "ui/sheet_page.h"

TEST(disk_page, shows_the_settings_and_applies_what_the_user_chose)
{
    temp_dir dir;
    dir.write("vireo.ini", "[disk]\nlimit=0\ndelete=0\n");
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    disk_init();
    std::unique_ptr<sheet_page> page(disk_page_create());
    auto radios = page->findChildren<QRadioButton*>();
    auto spins = page->findChildren<QSpinBox*>();
    auto* check = page->findChild<QCheckBox*>();
    ASSERT_EQ(radios.size(), 2);
    ASSERT_EQ(spins.size(), 2);
    ASSERT_NE(check, nullptr);
    QRadioButton* no_limit = radios[0]->text() == "&No Limit" ? radios[0] : radios[1];
    QRadioButton* limited = no_limit == radios[0] ? radios[1] : radios[0];
    QSpinBox* megabytes = spins[0]->maximum() == 999 ? spins[0] : spins[1];
    QSpinBox* days = megabytes == spins[0] ? spins[1] : spins[0];

    // Unset values show their suggestions, disabled.
    EXPECT_TRUE(no_limit->isChecked());
    EXPECT_EQ(megabytes->value(), 50);
    EXPECT_FALSE(megabytes->isEnabled());
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(days->value(), 30);
    EXPECT_FALSE(days->isEnabled());

    limited->setChecked(true);
    EXPECT_TRUE(megabytes->isEnabled());
    megabytes->setValue(5);  // the field keeps it within 20..999
    check->setChecked(true);
    days->setValue(14);
    page->apply();
    EXPECT_EQ(profile_int("disk", "limit"), 20);
    EXPECT_EQ(profile_int("disk", "delete"), 14);
    EXPECT_EQ(disk_limit(), 20);
}
