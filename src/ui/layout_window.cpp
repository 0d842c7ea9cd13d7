#include "ui/layout.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <QWidget>

#include <array>

#include "app/main_window.h"
#include "app/status_window.h"
#include "base/main.h"
#include "base/profile.h"
#include "base/settings.h"
#include "people/chat_window.h"
#include "presence/camera.h"
#include "ui/toolbar.h"
#include "ui/viewport_window.h"
#include "ui/web.h"

namespace {

class client_area;

struct layout_state {
    QPointer<client_area> client;
    std::array<QPointer<QWidget>, layout_parts> parts{};
    layout_input input{};
    layout_result result{};
    int dragging = splitter_none;
    bool sizing_cursor = false;
};

layout_state state;

// Where the client area's own widget starts in client coordinates: below
// the toolbar.
int client_offset()
{
    QToolBar* bar = toolbar_widget();
    return bar && toolbar_visible() ? bar->height() : 0;
}

// The client area: it places its children and carries the splitters,
// whose drags start on it or on the edges of the views next to them.
class client_area : public QWidget {
public:
    client_area()
    {
        setObjectName("client");
        setMouseTracking(true);
        bar = new QWidget(this);
        bar->setStyleSheet("background: black");
        bar->hide();
    }

    void watch(QWidget* child)
    {
        child->installEventFilter(this);
        child->setMouseTracking(true);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        layout_update();
    }

    void mousePressEvent(QMouseEvent* event) override { press(event->position().toPoint(), event); }
    void mouseMoveEvent(QMouseEvent* event) override { move(event->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* event) override { release(event->position().toPoint()); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* child = qobject_cast<QWidget*>(watched);
        if (!child)
            return false;
        auto* mouse = dynamic_cast<QMouseEvent*>(event);
        if (!mouse)
            return false;
        QPoint at = child->mapTo(this, mouse->position().toPoint());
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            return press(at, mouse);
        case QEvent::MouseMove:
            return move(at);
        case QEvent::MouseButtonRelease:
            return release(at);
        default:
            return false;
        }
    }

private:
    int splitter_at(QPoint at) const
    {
        return layout_splitter_at(state.result, state.input.web_open, at.x(),
                                  at.y() + client_offset());
    }

    // The dragged splitter's position for the cursor, within its limits.
    int drag_position(QPoint at) const
    {
        int position = state.dragging == splitter_chat ? at.y() + client_offset() : at.x();
        return layout_drag_clamp(state.input, state.result, state.dragging, position);
    }

    bool press(QPoint at, QMouseEvent* event)
    {
        int which = splitter_at(at);
        if (event->button() != Qt::LeftButton || which == splitter_none)
            return false;
        state.dragging = which;
        grabMouse();
        move(at);
        return true;
    }

    bool move(QPoint at)
    {
        if (!state.dragging) {
            // Over a splitter the cursor shows which way it moves.
            int which = splitter_at(at);
            if (state.sizing_cursor) {
                QApplication::restoreOverrideCursor();
                state.sizing_cursor = false;
            }
            if (which != splitter_none) {
                QApplication::setOverrideCursor(which == splitter_chat ? Qt::SizeVerCursor
                                                                       : Qt::SizeHorCursor);
                state.sizing_cursor = true;
            }
            return false;
        }
        // The bar shows where the splitter will go.
        int y_offset = client_offset();
        int to = drag_position(at);
        const layout_result& r = state.result;
        if (state.dragging == splitter_chat)
            bar->setGeometry(r.left, to - y_offset - 2, r.right - r.left, 4);
        else
            bar->setGeometry(to - 2, r.top - y_offset, 4, r.bottom - r.top);
        bar->show();
        bar->raise();
        return true;
    }

    bool release(QPoint at)
    {
        if (!state.dragging)
            return false;
        releaseMouse();
        bar->hide();
        int to = drag_position(at);
        const char* key = state.dragging == splitter_chat ? "chaty"
                          : state.dragging == splitter_tab ? "tabx"
                                                           : "webx";
        state.dragging = splitter_none;
        profile_set_int("layout", key, to);
        layout_update();
        return true;
    }

    QWidget* bar;
};

layout_input gather()
{
    QMainWindow* window = main_window();
    layout_input in{};
    QToolBar* bar = toolbar_widget();
    in.toolbar_height = bar && toolbar_visible() ? bar->height() + 1 : 0;
    in.gesture_height = 0;
    in.status_height = status_window_height() + 1;
    in.width = state.client->width();
    in.height = client_offset() + state.client->height() + window->statusBar()->height();
    in.entry_height = chat_height();
    in.tabx = settings_int("layout", "tabx");
    in.webx = settings_int("layout", "webx");
    in.chaty = settings_int("layout", "chaty");
    in.web_open = web_is_open();
    in.view_max_width = camera_max_width();
    in.view_max_height = camera_max_height();
    return in;
}

void place(int part, const layout_rect& r)
{
    QWidget* w = state.parts[static_cast<size_t>(part)];
    if (!w)
        return;
    w->setGeometry(r.x, r.y - client_offset(), std::max(r.width, 0), std::max(r.height, 0));
}

}  // namespace

QWidget* layout_client()
{
    if (!state.client) {
        state.client = new client_area;
        if (QMainWindow* window = main_window())
            window->setCentralWidget(state.client);
    }
    return state.client;
}

void layout_attach(int part, QWidget* widget)
{
    if (part < 0 || part >= layout_parts)
        return;
    state.parts[static_cast<size_t>(part)] = widget;
    if (widget) {
        widget->setParent(layout_client());
        state.client->watch(widget);
        widget->show();
    }
    layout_update();
}

void layout_update()
{
    QMainWindow* window = main_window();
    if (!state.client || !window || !main_three_d_ready() || window->isMinimized())
        return;
    state.input = gather();
    layout_result& r = state.result;
    layout_compute(state.input, &r);
    if (r.chaty_reduced)
        profile_set_int("layout", "chaty", r.chaty);
    if (r.columns_reduced) {
        profile_set_int("layout", "tabx", r.tabx);
        profile_set_int("layout", "webx", r.webx);
    }
    place(layout_part_entry, r.entry);
    place(layout_part_tab, r.tab);
    place(layout_part_view, r.view);
    place(layout_part_console, r.console);
    QWidget* web = state.parts[layout_part_web];
    if (web) {
        web->setVisible(state.input.web_open != 0);
        place(layout_part_web, r.web);
    }
    int w = r.view.width, h = r.view.height;
    camera_resize(&w, &h);
    viewport_window_repaint();
}

int layout_dragging_vertical()
{
    return state.dragging == splitter_tab || state.dragging == splitter_web ? 1 : 0;
}

int layout_dragging_horizontal()
{
    return state.dragging == splitter_chat ? 1 : 0;
}
