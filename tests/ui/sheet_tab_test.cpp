#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMainWindow>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/disk.h"
#include "app/main_window.h"
#include "base/profile.h"
#include "support/temp_dir.h"
#include "ui/layout.h"
#include "ui/sheet.h"
#include "ui/tab.h"

TEST(sheet, seven_pages_in_order_and_apply_follows_changes)
{
    temp_dir dir;
    dir.write("vireo.ini", "");
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    disk_init();
    std::unique_ptr<QDialog> sheet(sheet_create());
    EXPECT_EQ(sheet->windowTitle(), "Settings");
    auto* tabs = sheet->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    std::vector<std::string> titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles.push_back(tabs->tabText(i).toStdString());
    EXPECT_EQ(titles, (std::vector<std::string>{"Performance", "Disk Usage", "Proxy", "Sound",
                                                "Downloads", "Privacy", "Advanced"}));
    QPushButton* apply = sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Apply);
    EXPECT_FALSE(apply->isEnabled());

    auto* keep = tabs->widget(6)->findChild<QCheckBox*>("keep_rwx");
    ASSERT_NE(keep, nullptr);
    keep->setChecked(true);
    EXPECT_TRUE(apply->isEnabled());
    apply->click();
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_EQ(profile_int("advanced", "keep_rwx"), 1);
    EXPECT_EQ(profile_int("advanced", "keep_bmp"), 0);
}

TEST(tab, pages_in_order_with_the_chosen_one_kept)
{
    temp_dir dir;
    dir.write("vireo.ini", "");
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    ASSERT_EQ(init_instance(), 1);
    ASSERT_EQ(tab_init(), 0);
    auto* bar = layout_client()->findChild<QTabBar*>("tabs");
    ASSERT_NE(bar, nullptr);
    QWidget* tab_window = bar->parentWidget();
    auto labels = [bar] {
        std::vector<std::string> texts;
        for (int i = 0; i < bar->count(); ++i)
            texts.push_back(bar->tabText(i).toStdString());
        return texts;
    };
    const std::vector<std::string> names = {"Worlds", "Contacts", "Telegrams", "Help"};
    main_window()->show();
    tab_window->resize(600, 300);
    EXPECT_EQ(labels(), names);
    EXPECT_EQ(bar->font().pixelSize(), 11);
    EXPECT_FALSE(bar->tabIcon(0).isNull());
    // The default column is too narrow for icons as well: the labels stay.
    tab_window->resize(165, 300);
    EXPECT_EQ(labels(), names);
    for (int i = 0; i < bar->count(); ++i) {
        EXPECT_TRUE(bar->tabIcon(i).isNull());
        EXPECT_EQ(bar->tabToolTip(i).toStdString(), names[static_cast<size_t>(i)]);
    }
    tab_window->resize(600, 300);
    EXPECT_FALSE(bar->tabIcon(3).isNull());
    // With no choice stored the world list comes first.
    EXPECT_EQ(tab_selected(), tab_worlds);

    auto shown = [tab_window] {
        std::vector<int> pages;
        for (int n = 0; n < tab_pages; ++n) {
            if (tab_window->findChild<QWidget*>(QString("page%1").arg(n))->isVisibleTo(tab_window))
                pages.push_back(n);
        }
        return pages;
    };
    EXPECT_EQ(shown(), std::vector<int>{0});
    tab_select(tab_telegrams);
    EXPECT_EQ(shown(), std::vector<int>{2});
    EXPECT_EQ(profile_int("layout", "tabpage"), 2);
    bar->setCurrentIndex(1);
    EXPECT_EQ(shown(), std::vector<int>{1});
    EXPECT_EQ(profile_int("layout", "tabpage"), 1);
    main_window_destroy();

    // The choice survives a restart.
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    ASSERT_EQ(init_instance(), 1);
    ASSERT_EQ(tab_init(), 0);
    EXPECT_EQ(tab_selected(), tab_contacts);
    main_window_destroy();
}
