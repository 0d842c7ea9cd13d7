#include "ui/tab.h"

#include <QIcon>
#include <QPointer>
#include <QResizeEvent>
#include <QTabBar>
#include <QWidget>

#include <array>

#include "app/font.h"
#include "base/msg.h"
#include "base/profile.h"
#include "net/contacts.h"
#include "net/telegram.h"
#include "net/worlds.h"
#include "ui/help.h"
#include "ui/layout.h"

namespace {

struct page_kind {
    int label;          // string-table entry
    const char* icon;   // in the resources' icon folder
    void (*init)(QWidget* page);
    void (*show)();
    void (*hide)();
};

const std::array<page_kind, tab_pages> kinds = {{
    {193, "worlds", worlds_init, worlds_show, worlds_hide},
    {194, "contacts", contacts_init, contacts_show, contacts_hide},
    {213, "telegrams", telegram_init, telegram_show, telegram_hide},
    {195, "help", help_init, help_show, help_hide},
}};

// The tab column: the tabs along its top and the chosen page below them.
class tab_window : public QWidget {
public:
    tab_window()
    {
        setObjectName("tab");
        setWindowTitle("Vireo Tab");
        bar = new QTabBar(this);
        bar->setObjectName("tabs");
        bar->setIconSize(QSize(16, 16));
        bar->setFont(font_normal());
        bar->setDrawBase(false);
        bar->setExpanding(false);
        bar->setElideMode(Qt::ElideNone);
        // Like the platform's tab control, a row of tabs wider than the
        // column scrolls.
        bar->setUsesScrollButtons(true);
        bar->setFocusPolicy(Qt::NoFocus);
        for (size_t n = 0; n < kinds.size(); ++n) {
            icons[n] = QIcon(QString(":/icons/%1.svg").arg(kinds[n].icon));
            QString label = QString::fromUtf8(msg(kinds[n].label));
            bar->addTab(icons[n], label);
            bar->setTabToolTip(static_cast<int>(n), label);
            pages[n] = new QWidget(this);
            pages[n]->setObjectName(QString("page%1").arg(n));
            pages[n]->hide();
        }
    }

    QTabBar* bar;
    std::array<QWidget*, tab_pages> pages{};
    std::array<QIcon, tab_pages> icons;

protected:
    // The pages fill what the tabs leave, a pixel in from the sides and
    // three below the tabs.
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        int w = width();
        fit_icons(w);
        int tabs = bar->sizeHint().height();
        bar->setGeometry(0, 0, w, tabs);
        QRect area(1, tabs + 3, std::max(w - 2, 0), std::max(height() - tabs - 4, 0));
        for (QWidget* page : pages)
            page->setGeometry(area);
    }

private:
    // The labels always show; their icons only while the labelled tabs fit
    // the column with them.
    void fit_icons(int w)
    {
        for (int n = 0; n < tab_pages; ++n)
            bar->setTabIcon(n, icons[static_cast<size_t>(n)]);
        if (bar->sizeHint().width() <= w)
            return;
        for (int n = 0; n < tab_pages; ++n)
            bar->setTabIcon(n, QIcon());
    }
};

QPointer<tab_window> window;

void apply(int page)
{
    for (int n = 0; n < tab_pages; ++n) {
        const page_kind& kind = kinds[static_cast<size_t>(n)];
        QWidget* widget = window->pages[static_cast<size_t>(n)];
        if (n == page) {
            widget->show();
            kind.show();
        } else {
            widget->hide();
            kind.hide();
        }
    }
    profile_set_int("layout", "tabpage", page);
}

}  // namespace

int tab_init()
{
    window = new tab_window;
    for (size_t n = 0; n < kinds.size(); ++n)
        kinds[n].init(window->pages[n]);
    int page = profile_int("layout", "tabpage");
    if (page < 0 || page >= tab_pages)
        page = 0;
    window->bar->setCurrentIndex(page);
    apply(page);
    QObject::connect(window->bar, &QTabBar::currentChanged, window, [](int index) {
        if (index >= 0)
            apply(index);
    });
    layout_attach(layout_part_tab, window);
    return 0;
}

void tab_select(int page)
{
    if (!window || page < 0 || page >= tab_pages)
        return;
    if (window->bar->currentIndex() == page)
        apply(page);
    else
        window->bar->setCurrentIndex(page);
}

int tab_selected()
{
    return window ? window->bar->currentIndex() : -1;
}
