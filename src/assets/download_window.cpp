#include "assets/download_window.h"

#include <QCloseEvent>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QMainWindow>
#include <QMoveEvent>
#include <QPainter>
#include <QPointer>

#include "app/main_window.h"
#include "assets/download.h"
#include "base/menu.h"
#include "base/profile.h"

namespace {

constexpr int menu_item = 123;
constexpr int name_width = 120;
constexpr int name_cut = 16;

// The lines sit in a sunken frame; names too wide for their column are
// cut short.
class transfer_lines : public QFrame {
public:
    explicit transfer_lines(QWidget* parent) : QFrame(parent)
    {
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Sunken);
        setGeometry(10, 10, 255, 60);
        font.setFamily("Arial");
        font.setPixelSize(11);
        font.setBold(true);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        QPainter painter(this);
        painter.setFont(font);
        QFontMetrics metrics(font);
        for (int slot = 0; slot < 3; ++slot) {
            QString name = QString::fromUtf8(download_slot_name(slot));
            QString status = QString::fromUtf8(download_slot_state(slot));
            if (name.isEmpty() || status.isEmpty())
                continue;
            QString label = name + ":";
            if (metrics.horizontalAdvance(label) > name_width)
                label = name.left(name_cut) + "...:";
            // Window coordinates (20, 18 + 15 n) inside the frame at (10, 10).
            int y = 8 + 15 * slot + metrics.ascent();
            painter.drawText(10, y, label);
            painter.drawText(140, y, status);
        }
    }

private:
    QFont font;
};

class downloads_window : public QWidget {
public:
    downloads_window() : QWidget(main_window(), Qt::Tool)
    {
        setObjectName("downloads");
        setWindowTitle("Downloads");
        setFixedSize(280, 105);
        lines = new transfer_lines(this);
        int x = profile_int("layout", "download_x");
        int y = profile_int("layout", "download_y");
        if (x == -1 || y == -1) {
            QPoint corner = parentWidget() ? parentWidget()->pos() : QPoint(0, 0);
            x = corner.x() + 50;
            y = corner.y() + 50;
        }
        move(x, y);
    }

    transfer_lines* lines;

protected:
    void moveEvent(QMoveEvent* event) override
    {
        QWidget::moveEvent(event);
        if (isVisible()) {
            profile_set_int("layout", "download_x", pos().x());
            profile_set_int("layout", "download_y", pos().y());
        }
    }

    // Closing the window is the same as the menu's toggle.
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        download_toggle();
    }
};

struct window_state {
    QPointer<downloads_window> window;
    int shown = 0;
};

window_state state;

}  // namespace

void download_window_init()
{
    state.shown = profile_int("show", "downloads") == 1 ? 1 : 0;
    if (state.shown)
        download_window_show(1);
    menu_check(menu_item, state.shown);
}

void download_toggle()
{
    int shown = state.shown ? 0 : 1;
    download_window_show(shown);
    profile_set_int("show", "downloads", shown);
    menu_check(menu_item, shown);
}

void download_window_show(int shown)
{
    state.shown = shown ? 1 : 0;
    if (state.shown && !state.window && main_window())
        state.window = new downloads_window;
    if (state.window)
        state.window->setVisible(state.shown != 0);
}

int download_window_visible()
{
    return state.shown;
}

void download_window_repaint()
{
    if (state.window && state.window->isVisible())
        state.window->lines->update();
}

void download_window_term()
{
    delete state.window.data();
    state.shown = 0;
}
