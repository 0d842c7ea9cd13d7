#include "ui/toolbar.h"

#include <QAction>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QToolBar>

#include "app/main_window.h"
#include "base/msg.h"
#include "ui/menu.h"

namespace {

struct button {
    int id;             // 0: a separator
    const char* icon;   // in the resources' icon folder
    int tip;            // string-table entry
};

const button buttons[] = {
    {0, nullptr, 0},
    {107, "back", 106},
    {106, "forward", 105},
    {0, nullptr, 0},
    {124, "look_up", 120},
    {131, "look_level", 87},
    {125, "look_down", 121},
    {0, nullptr, 0},
    {126, "first_person", 122},
    {127, "third_person", 123},
    {0, nullptr, 0},
    {118, "mouse_mode", 117},
    {0, nullptr, 0},
    {0, nullptr, 0},
    {134, "web_back", 131},
    {135, "web_forward", 132},
    {136, "web_stop", 133},
    {137, "web_refresh", 134},
};

bool starts_enabled(int id)
{
    return id >= 134 && id <= 137;
}

QPointer<QToolBar> bar;

QAction* button_action(int id)
{
    if (!bar)
        return nullptr;
    for (QAction* a : bar->actions()) {
        if (!a->isSeparator() && a->data().toInt() == id)
            return a;
    }
    return nullptr;
}

}  // namespace

int toolbar_init()
{
    QMainWindow* window = main_window();
    if (!window)
        return 1;
    bar = new QToolBar(window);
    bar->setObjectName("toolbar");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->toggleViewAction()->setEnabled(false);
    for (const button& b : buttons) {
        if (!b.id) {
            bar->addSeparator();
            continue;
        }
        // A button of its own, not the menu item's action: the buttons
        // start disabled while their menu items stay usable.
        QAction* item = menu_action(b.id);
        if (!item)
            return 1;
        auto* action = new QAction(QIcon(QString(":/icons/%1.svg").arg(b.icon)),
                                   QString::fromUtf8(msg(b.tip)), bar);
        action->setData(b.id);
        action->setToolTip(QString::fromUtf8(msg(b.tip)));
        action->setCheckable(item->isCheckable());
        action->setEnabled(starts_enabled(b.id));
        const int id = b.id;
        // The pressed state is the owner's to set (toolbar_check).
        QObject::connect(action, &QAction::triggered, [action, id] {
            if (action->isCheckable())
                action->setChecked(!action->isChecked());
            menu_handle(id);
        });
        bar->addAction(action);
    }
    window->addToolBar(Qt::TopToolBarArea, bar);
    return 0;
}

void toolbar_check(int id, int checked)
{
    if (QAction* a = button_action(id))
        a->setChecked(checked != 0);
}

void toolbar_enable(int id, int enabled)
{
    if (QAction* a = button_action(id))
        a->setEnabled(enabled != 0);
}

void toolbar_show(int shown)
{
    if (bar)
        bar->setVisible(shown != 0);
}

int toolbar_visible()
{
    return bar && !bar->isHidden() ? 1 : 0;
}

QToolBar* toolbar_widget()
{
    return bar;
}
