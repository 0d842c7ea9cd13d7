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
        QAction* action = menu_action(b.id);
        if (!action)
            return 1;
        action->setIcon(QIcon(QString(":/icons/%1.svg").arg(b.icon)));
        action->setIconVisibleInMenu(false);
        action->setToolTip(QString::fromUtf8(msg(b.tip)));
        action->setEnabled(starts_enabled(b.id));
        bar->addAction(action);
    }
    window->addToolBar(Qt::TopToolBarArea, bar);
    return 0;
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
