#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/key_map.h"
#include "app/main_window.h"
#include "base/menu.h"
#include "base/profile.h"
#include "net/citizen.h"
#include "people/chat_window.h"
#include "support/temp_dir.h"
#include "ui/menu.h"
#include "ui/toolbar.h"

namespace {

class menu : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("vireo.ini", "");
    ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        ASSERT_EQ(init_instance(), 1);
        menu_init();
        ASSERT_EQ(toolbar_init(), 0);
        citizen_set_number(0);
        citizen_set_name("");
    }

    void TearDown() override { main_window_destroy(); }

    static QMenu* popup(const char* title)
    {
        for (QAction* a : main_window()->menuBar()->actions()) {
            if (a->text() == title)
                return a->menu();
        }
        return nullptr;
    }

    // The texts of a popup's items, "-" for a separator.
    static std::vector<std::string> items(const char* title)
    {
        std::vector<std::string> texts;
        if (QMenu* m = popup(title)) {
            for (QAction* a : m->actions())
                texts.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        }
        return texts;
    }

    temp_dir dir;
};

// Closes whatever modal dialog a command opens, so that commands can run
// one after another.
class modal_closer {
public:
    modal_closer()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        timer.start();
    }

private:
    QTimer timer;
};

}  // namespace

TEST_F(menu, the_bar_holds_the_popups_in_order_with_avatar_seventh)
{
    std::vector<std::string> titles;
    for (QAction* a : main_window()->menuBar()->actions())
        titles.push_back(a->text().toStdString());
    EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Teleport", "&View", "&Options", "&Show",
                                                "&Citizen", "&Avatar", "&Web", "&Help"}));
    EXPECT_EQ(items("&Teleport"),
              (std::vector<std::string>{"&Forward", "&Back", "-", "&To...", "-", "&Home",
                                        "&Make This My Home", "-", "&Remember...", "&Edit...", "-"}));
    EXPECT_EQ(items("&Help"),
              (std::vector<std::string>{"&Topics", "-", "&Help With Help...", "&About..."}));
    EXPECT_EQ(menu_action(120)->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(menu_action(105)->shortcut(), QKeySequence(Qt::Key_F1));
    // "Change to..." waits for an identity.
    EXPECT_FALSE(menu_action(141)->isEnabled());
}

TEST_F(menu, every_table_id_is_consumed_and_others_are_not)
{
    modal_closer closer;
    std::set<int> unclaimed = {139, 146, 147, 151};
    // 101 ends the program; the start-up tests run it.
    for (int id = 102; id <= 151; ++id)
        EXPECT_EQ(menu_handle(id), unclaimed.count(id) ? 1 : 0) << "id " << id;
    EXPECT_EQ(menu_handle(99), 1);
    EXPECT_EQ(menu_handle(1000), 1);  // no avatars yet
    EXPECT_EQ(menu_handle(2000), 1);  // no remembered places
}

TEST_F(menu, toolbar_buttons_start_disabled_apart_from_their_menu_items)
{
    QToolBar* bar = toolbar_widget();
    ASSERT_NE(bar, nullptr);
    std::vector<int> ids;
    std::map<int, QAction*> buttons;
    int separators = 0;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator()) {
            ++separators;
            continue;
        }
        ids.push_back(a->data().toInt());
        buttons[a->data().toInt()] = a;
    }
    EXPECT_EQ(ids, (std::vector<int>{107, 106, 124, 131, 125, 126, 127, 118, 134, 135, 136, 137}));
    EXPECT_EQ(separators, 6);
    EXPECT_EQ(buttons[107]->toolTip(), "Teleport Back");
    EXPECT_EQ(buttons[131]->toolTip(), "Look level");
    EXPECT_EQ(buttons[137]->toolTip(), "Refresh");
    EXPECT_FALSE(buttons[126]->icon().isNull());
    EXPECT_TRUE(buttons[134]->isEnabled());
    for (int id : {107, 124, 131, 125, 126, 127, 118})
        EXPECT_FALSE(buttons[id]->isEnabled()) << id;
    // The View menu's items are usable from the start.
    for (int id : {124, 125, 131, 126, 127})
        EXPECT_TRUE(menu_action(id)->isEnabled()) << id;

    menu_enable(126, 1);
    menu_check(126, 1);
    EXPECT_TRUE(buttons[126]->isEnabled());
    EXPECT_TRUE(buttons[126]->isChecked());
    EXPECT_TRUE(menu_action(126)->isChecked());
    // A click leaves the pressed state to the command's owner.
    buttons[126]->trigger();
    EXPECT_TRUE(buttons[126]->isChecked());
    menu_enable(124, 0);
    EXPECT_FALSE(menu_action(124)->isEnabled());

    // The toolbar toggle keeps its menu item in step.
    toolbar_show(1);
    menu_handle(129);
    EXPECT_FALSE(toolbar_visible());
    EXPECT_FALSE(menu_action(129)->isChecked());
    menu_handle(129);
    EXPECT_TRUE(toolbar_visible());
    EXPECT_TRUE(menu_action(129)->isChecked());
    EXPECT_EQ(profile_int("show", "toolbar"), 1);
}

TEST_F(menu, keys_turn_into_commands_by_selection)
{
    EXPECT_EQ(menu_key_command(vk_prior, 0), 124);
    EXPECT_EQ(menu_key_command(vk_next, 0), 125);
    EXPECT_EQ(menu_key_command(vk_end, 0), 127);
    EXPECT_EQ(menu_key_command(vk_home, 0), 126);
    EXPECT_EQ(menu_key_command(vk_left, 0), 0);
    EXPECT_EQ(menu_key_command(vk_add, 0), 0);

    EXPECT_EQ(menu_key_command(vk_prior, 1), 116);
    EXPECT_EQ(menu_key_command(vk_next, 1), 117);
    EXPECT_EQ(menu_key_command(vk_left, 1), 114);
    EXPECT_EQ(menu_key_command(vk_up, 1), 112);
    EXPECT_EQ(menu_key_command(vk_right, 1), 115);
    EXPECT_EQ(menu_key_command(vk_down, 1), 113);
    EXPECT_EQ(menu_key_command(vk_insert, 1), 109);
    EXPECT_EQ(menu_key_command(vk_delete, 1), 108);
    EXPECT_EQ(menu_key_command(vk_add, 1), 110);
    EXPECT_EQ(menu_key_command(vk_subtract, 1), 111);
    EXPECT_EQ(menu_key_command(vk_home, 1), 0);

    // Nothing is selected here: the view keys are consumed, others not.
    EXPECT_EQ(menu_key(vk_prior), 1);
    EXPECT_EQ(menu_key(vk_left), 0);
    EXPECT_EQ(menu_key('A'), 0);
}

TEST_F(menu, the_avatar_menu_follows_identity_and_speaker)
{
    const char* names[] = {"andy", "Betty", "carl", "dora", "speaker1", "speaker2", "speaker3"};
    std::vector<std::string> shown;
    auto avatar_items = [] {
        std::vector<std::string> texts;
        for (QAction* a : popup("&Avatar")->actions())
            texts.push_back(a->text().toStdString());
        return texts;
    };

    // A tourist always gets two entries.
    menu_set_public_speaker(0);
    menu_rebuild_avatars(4, names);
    EXPECT_EQ(avatar_items(), (std::vector<std::string>{"Andy", "Betty"}));
    EXPECT_EQ(menu_avatar_item_count(), 2);
    EXPECT_EQ(menu_handle(1002), 1);

    citizen_set_number(5);
    citizen_set_name("Wren");
    menu_rebuild_avatars(4, names);
    EXPECT_EQ(avatar_items(), (std::vector<std::string>{"Andy", "Betty", "Carl", "Dora"}));

    // A public speaker's specials follow the ordinary avatars as 251..253.
    menu_set_public_speaker(1);
    menu_rebuild_avatars(4, names);
    EXPECT_EQ(menu_avatar_item_count(), 7);
    EXPECT_EQ(avatar_items()[4], "Speaker1");
    EXPECT_EQ(menu_avatar_number(4, 4), 251);
    EXPECT_EQ(menu_avatar_number(6, 4), 253);
    EXPECT_EQ(menu_avatar_number(3, 4), 3);
    EXPECT_EQ(menu_avatar_index(252, 4, 7), 5);
    EXPECT_EQ(menu_avatar_index(252, 4, 4), -1);
    EXPECT_EQ(menu_avatar_index(9, 4, 7), -1);

    EXPECT_EQ(menu_handle(1004), 0);
    EXPECT_EQ(menu_avatar_current(), 4);
    EXPECT_TRUE(popup("&Avatar")->actions()[4]->isChecked());
    EXPECT_FALSE(popup("&Avatar")->actions()[0]->isChecked());
    EXPECT_EQ(menu_handle(1007), 1);

    menu_reset_avatars();
    EXPECT_TRUE(avatar_items().empty());
    menu_set_public_speaker(0);
}

TEST_F(menu, the_citizen_popup_offers_one_of_attributes_or_immigration)
{
    citizen_set_number(7);
    citizen_set_name("Wren");
    menu_identity_changed();
    EXPECT_EQ(items("&Citizen"), (std::vector<std::string>{"&Change to...", "&Attributes..."}));
    EXPECT_TRUE(menu_action(141)->isEnabled());
    menu_identity_changed();
    EXPECT_EQ(items("&Citizen"), (std::vector<std::string>{"&Change to...", "&Attributes..."}));

    citizen_set_number(0);
    citizen_set_name("\"Visitor\"");
    menu_identity_changed();
    EXPECT_EQ(items("&Citizen"), (std::vector<std::string>{"&Change to...", "&Immigrate..."}));
}

TEST_F(menu, remembered_places_stand_in_name_order_after_the_fixed_items)
{
    menu_location_add("mars", 2000);
    menu_location_add("Alpha", 2001);
    menu_location_add("beta", 2002);
    std::vector<std::string> texts = items("&Teleport");
    std::vector<std::string> tail(texts.end() - 3, texts.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Alpha", "beta", "mars"}));
    EXPECT_EQ(texts[texts.size() - 4], "-");
    menu_locations_clear();
    EXPECT_EQ(items("&Teleport").size(), 11u);
}

TEST_F(menu, typing_in_the_main_window_reaches_the_chat_line_control_keys_included)
{
    ASSERT_EQ(chat_init(), 0);
    auto type = [](Qt::Key key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(main_window(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(main_window(), &release);
    };
    type(Qt::Key_H, "h");
    type(Qt::Key_I, "i");
    type(Qt::Key_J, "j");
    type(Qt::Key_Backspace, "\b");
    auto* line = main_window()->findChild<QLineEdit*>("chat");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "hi");
}
