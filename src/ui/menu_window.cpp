#include "ui/menu_window.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <map>
#include <vector>

#include "app/main_window.h"
#include "ui/menu.h"

namespace {

struct item {
    int id;          // 0: a separator
    const char* text;
};

struct popup {
    const char* title;
    std::vector<item> items;
};

// The main menu, in order; the Avatar menu goes in at position 6.
const std::vector<popup> main_menu = {
    {"&File", {{101, "E&xit"}}},
    {"&Teleport",
     {{106, "&Forward"}, {107, "&Back"}, {0, nullptr}, {128, "&To..."}, {0, nullptr},
      {148, "&Home"}, {149, "&Make This My Home"}, {0, nullptr}, {144, "&Remember..."},
      {145, "&Edit..."}, {0, nullptr}}},
    {"&View",
     {{124, "Look &Up\tPgUp"}, {125, "Look &Down\tPgDn"}, {131, "Look &Level"},
      {126, "&First Person\tHome"}, {127, "&Third Person\tEnd"}}},
    {"&Options", {{103, "&Settings..."}, {104, "&World..."}}},
    {"&Show",
     {{119, "&Position\tF11"}, {120, "&Visibility\tF2"}, {121, "&Frame Rate\tF12"},
      {122, "&Bandwidth\tF4"}, {123, "&Downloads...\tF3"}, {132, "&Altitude\tF5"},
      {133, "&Cache Updates\tF6"}, {129, "&Toolbar"}, {130, "&Web"}}},
    {"&Citizen", {{141, "&Change to..."}}},
    {"&Web", {{134, "&Back"}, {135, "&Forward"}, {136, "&Stop"}, {137, "&Refresh"}, {138, "&Open..."}}},
    {"&Help", {{105, "&Topics"}, {0, nullptr}, {150, "&Help With Help..."}, {102, "&About..."}}},
};

// Commands whose items carry a check mark.
bool checkable(int id)
{
    switch (id) {
    case 119: case 120: case 121: case 122: case 123: case 126: case 127: case 129: case 130:
    case 132: case 133:
        return true;
    default:
        return false;
    }
}

// Keys the accelerator table gives (the F keys); PgUp and the like come
// through the command keys instead, so their labels are only shown.
Qt::Key accelerator(int id)
{
    switch (id) {
    case 105: return Qt::Key_F1;
    case 120: return Qt::Key_F2;
    case 123: return Qt::Key_F3;
    case 122: return Qt::Key_F4;
    case 132: return Qt::Key_F5;
    case 133: return Qt::Key_F6;
    case 119: return Qt::Key_F11;
    case 121: return Qt::Key_F12;
    default: return Qt::Key_unknown;
    }
}

struct menu_window_state {
    std::map<int, QPointer<QAction>> actions;
    QPointer<QMenu> citizen;
    QPointer<QMenu> avatar;
    QPointer<QMenu> teleport;
    QPointer<QActionGroup> avatar_group;
    std::vector<QPointer<QAction>> avatar_items;
    std::vector<std::pair<std::string, QPointer<QAction>>> locations;
};

menu_window_state state;
// The items of the object windows' menu bars. No item of the main menu
// shares their ids, and they outlive a rebuild of the main menu.
std::vector<QPointer<QAction>> object_items;

QAction* make_action(QObject* parent, int id, const char* text)
{
    auto* action = new QAction(QString::fromUtf8(text), parent);
    action->setData(id);
    action->setCheckable(checkable(id));
    if (Qt::Key key = accelerator(id); key != Qt::Key_unknown) {
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    // A check mark is the owner's to set (menu_check): undo Qt's own
    // toggle before the command runs.
    QObject::connect(action, &QAction::triggered, [action, id] {
        if (action->isCheckable() && !action->actionGroup())
            action->setChecked(!action->isChecked());
        menu_handle(id);
    });
    return action;
}

enum registry { registry_main, registry_object };

void fill(QMenu* menu, const std::vector<item>& items, registry into)
{
    for (const item& i : items) {
        if (!i.id) {
            menu->addSeparator();
            continue;
        }
        QAction* action = make_action(menu, i.id, i.text);
        menu->addAction(action);
        if (into == registry_main)
            state.actions[i.id] = action;
        else
            object_items.emplace_back(action);
    }
}

}  // namespace

void menu_window_create()
{
    QMainWindow* window = main_window();
    if (!window)
        return;
    QMenuBar* bar = window->menuBar();
    bar->clear();
    state = menu_window_state{};
    for (size_t n = 0; n < main_menu.size(); ++n) {
        if (n == 6) {
            state.avatar = bar->addMenu("&Avatar");
            state.avatar_group = new QActionGroup(state.avatar);
        }
        QMenu* menu = bar->addMenu(main_menu[n].title);
        fill(menu, main_menu[n].items, registry_main);
        if (n == 1)
            state.teleport = menu;
        if (n == 5)
            state.citizen = menu;
    }
    // The toolbar's mouse-mode button has no menu item.
    state.actions[118] = make_action(window, 118, "Mouse mode");
}

QAction* menu_window_action(int id)
{
    auto it = state.actions.find(id);
    return it == state.actions.end() ? nullptr : it->second.data();
}

void menu_window_check(int id, int checked)
{
    if (QAction* a = menu_window_action(id))
        a->setChecked(checked != 0);
}

void menu_window_enable(int id, int enabled)
{
    if (QAction* a = menu_window_action(id))
        a->setEnabled(enabled != 0);
    for (const QPointer<QAction>& a : object_items) {
        if (a && a->data().toInt() == id)
            a->setEnabled(enabled != 0);
    }
}

void menu_window_citizen(int citizen)
{
    if (!state.citizen)
        return;
    for (int id : {142, 143}) {
        if (QAction* a = menu_window_action(id)) {
            state.citizen->removeAction(a);
            delete a;
            state.actions.erase(id);
        }
    }
    int id = citizen ? 142 : 143;
    QAction* action = make_action(state.citizen, id, citizen ? "&Attributes..." : "&Immigrate...");
    state.citizen->addAction(action);
    state.actions[id] = action;
}

void menu_window_avatars(const std::vector<std::string>& names, int checked)
{
    if (!state.avatar)
        return;
    state.avatar->clear();
    state.avatar_items.clear();
    for (size_t i = 0; i < names.size(); ++i) {
        QAction* action = make_action(state.avatar, 1000 + static_cast<int>(i), names[i].c_str());
        action->setCheckable(true);
        state.avatar_group->addAction(action);
        state.avatar->addAction(action);
        state.avatar_items.emplace_back(action);
    }
    menu_window_check_avatar(checked);
}

void menu_window_check_avatar(int index)
{
    if (index >= 0 && index < static_cast<int>(state.avatar_items.size()) &&
        state.avatar_items[static_cast<size_t>(index)])
        state.avatar_items[static_cast<size_t>(index)]->setChecked(true);
}

void menu_window_location_add(const char* name, int id)
{
    if (!state.teleport)
        return;
    QAction* action = make_action(state.teleport, id, name);
    auto at = state.locations.begin();
    while (at != state.locations.end() && QString::compare(QString::fromUtf8(at->first.c_str()),
                                                           QString::fromUtf8(name),
                                                           Qt::CaseInsensitive) <= 0)
        ++at;
    QAction* before = at == state.locations.end() ? nullptr : at->second.data();
    state.teleport->insertAction(before, action);
    state.locations.insert(at, {name, action});
}

void menu_window_locations_clear()
{
    for (auto& [name, action] : state.locations)
        delete action.data();
    state.locations.clear();
}

QMenuBar* menu_window_object_bar(QWidget* parent)
{
    std::erase_if(object_items, [](const QPointer<QAction>& a) { return a.isNull(); });
    auto* bar = new QMenuBar(parent);
    QMenu* object = bar->addMenu("&Object");
    fill(object,
         {{108, "Delete\tDel"}, {109, "Duplicate\tIns"}, {0, nullptr}, {112, "Move Back\tUpArrow"},
          {113, "Move Forward\tDownArrow"}, {114, "Move Left\tLeftArrow"},
          {115, "Move Right\tRightArrow"}, {110, "Move Up\t+"}, {111, "Move Down\t-"},
          {0, nullptr}, {116, "Turn Left\tPgUp"}, {117, "Turn Right\tPgDn"}},
         registry_object);
    QMenu* edit = bar->addMenu("&Edit");
    fill(edit, {{140, "&Undo Changes"}}, registry_object);
    return bar;
}
