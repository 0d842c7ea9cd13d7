#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QWidget>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "base/profile.h"
#include "behavior/pdialog.h"
#include "net/citizen.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "net/universe_message.h"
#include "support/temp_dir.h"
#include "ui/pdialog_window.h"
#include "world/element.h"

namespace {

class pdialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tz = std::getenv("TZ");
        had_tz = tz != nullptr;
        old_tz = tz ? tz : "";
        setenv("TZ", "UTC", 1);
        tzset();
        dir.write("vireo.ini", "[layout]\n");
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        citizen_set_number(5);
        citizen_set_name("Builder");
        pdialog_init();
    }

    void TearDown() override
    {
        for (element* e : made)
            element_destroy(e);
        pdialog_window_term();
        pdialog_term();
        // Names asked for meanwhile found no universe; the next test's
        // connection starts afresh.
        universe_term();
        citizen_set_number(0);
        if (had_tz)
            setenv("TZ", old_tz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    element* make(uint32_t owner, uint32_t stamp, const std::string& description = "Oak")
    {
        element* e = element_create(1, 0, 1, 0, "tree", 4, description.data(), description.size(),
                                    "create sign", 11, 40, owner, 0, stamp);
        made.push_back(e);
        return e;
    }

    QWidget* window() const
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "object_properties")
                return w;
        }
        return nullptr;
    }
    QLineEdit* edit(const char* name) const { return window()->findChild<QLineEdit*>(name); }
    QString label(const char* name) const { return window()->findChild<QLabel*>(name)->text(); }
    // Typing replaces the field's text as a user would.
    void type(const char* name, const QString& text) const
    {
        edit(name)->selectAll();
        edit(name)->insert(text);
    }
    bool command_enabled(int id) const
    {
        for (QAction* a : window()->findChild<QMenuBar*>()->findChildren<QAction*>()) {
            if (a->data().toInt() == id)
                return a->isEnabled();
        }
        ADD_FAILURE() << "no item " << id;
        return false;
    }

    temp_dir dir;
    std::vector<element*> made;
    bool had_tz = false;
    std::string old_tz;
};

}  // namespace

TEST_F(pdialog, the_owner_name_shows_the_tourist_the_user_cached_and_arriving_names)
{
    pdialog_enable(make(0, 0));
    EXPECT_STREQ(pdialog_owner_name(), "<Tourist>");
    pdialog_enable(make(5, 0));
    EXPECT_STREQ(pdialog_owner_name(), "  Builder");
    EXPECT_EQ(label("owner_name"), "  Builder");

    // An unknown owner shows nothing until the universe answers.
    pdialog_enable(make(77, 0));
    EXPECT_STREQ(pdialog_owner_name(), "");
    pdialog_citizen_name(78, "Other");
    EXPECT_STREQ(pdialog_owner_name(), "");
    pdialog_citizen_name(77, "Alice");
    EXPECT_STREQ(pdialog_owner_name(), "  Alice");
    EXPECT_EQ(label("owner_name"), "  Alice");

    // Typing an owner shows that owner's name from the cache.
    type("owner", "78");
    EXPECT_EQ(label("owner_name"), "  Other");
    type("owner", "0");
    EXPECT_EQ(label("owner_name"), "<Tourist>");

    universe_message answer;
    answer.id = universe::message_citizen_name;
    answer.rc = 1;
    answer.number = 99;
    type("owner", "99");
    pdialog_universe_message(answer);
    EXPECT_EQ(label("owner_name"), "  < Not a citizen >");
}

TEST_F(pdialog, built_shows_the_local_date_and_time_without_seconds)
{
    pdialog_enable(make(5, 0));
    EXPECT_STREQ(pdialog_built(), "");
    // 2001-09-09 01:46:40 UTC, and half a day later.
    pdialog_enable(make(5, 1000000000));
    EXPECT_STREQ(pdialog_built(), "Sun Sep 9, 2001 1:46 AM");
    EXPECT_EQ(label("built"), "Sun Sep 9, 2001 1:46 AM");
    type("description", "Elm");
    pdialog_refresh(make(5, 1000043200));
    EXPECT_EQ(label("built"), "Sun Sep 9, 2001 1:46 PM");
    EXPECT_EQ(edit("description")->text(), "Elm");
}

TEST_F(pdialog, edits_are_read_undone_and_cleared_and_the_window_keeps_its_layout)
{
    QWidget main_window;
    main_window.show();
    main_window.activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &main_window);
    pdialog_enable(make(77, 0, std::string(300, 'x')));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &main_window);
    EXPECT_EQ(window()->windowTitle(), "Object properties");
    EXPECT_EQ(profile_int("layout", "object"), 1);
    for (int id : {108, 113, 117, 140})
        EXPECT_TRUE(command_enabled(id));

    pdialog_fields fields;
    pdialog_read(&fields);
    EXPECT_EQ(fields.description, std::string(250, 'x'));
    EXPECT_EQ(fields.owner, 77u);
    type("object", "house");
    type("action", QString(300, 'y'));
    type("owner", "12");
    pdialog_read(&fields);
    EXPECT_EQ(fields.model, "house");
    EXPECT_EQ(fields.action, std::string(250, 'y'));
    EXPECT_EQ(fields.owner, 12u);
    type("owner", "twelve");
    pdialog_read(&fields);
    EXPECT_EQ(fields.owner, 77u);

    pdialog_undo();
    pdialog_read(&fields);
    EXPECT_EQ(fields.model, "tree");
    EXPECT_EQ(fields.action, "create sign");
    EXPECT_EQ(edit("owner")->text(), "77");

    pdialog_clear();
    EXPECT_EQ(edit("object")->text(), "");
    EXPECT_FALSE(edit("object")->isEnabled());
    EXPECT_EQ(label("built"), "");
    for (int id : {108, 113, 117, 140})
        EXPECT_FALSE(command_enabled(id));

    window()->move(30, 40);
    EXPECT_EQ(profile_int("layout", "object_x"), 30);
    EXPECT_EQ(profile_int("layout", "object_y"), 40);
    window()->close();
    EXPECT_EQ(profile_int("layout", "object"), 0);
    EXPECT_FALSE(window()->isVisible());

    // Opened at start-up where it was left.
    pdialog_window_term();
    profile_set_int("layout", "object", 1);
    pdialog_init();
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(window()->pos(), QPoint(30, 40));
    EXPECT_FALSE(command_enabled(108));
}
