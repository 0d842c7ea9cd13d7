#include "app/automation.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QPixmap>
#include <QPointer>
#include <QSpinBox>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/fps.h"
#include "app/loop.h"
#include "app/main.h"
#include "app/main_window.h"
#include "app/status_window.h"
#include "base/clock.h"
#include "base/log.h"
#include "base/main.h"
#include "base/msgbox.h"
#include "behavior/behavior.h"
#include "behavior/pick.h"
#include "net/citizen.h"
#include "people/console.h"
#include "presence/camera.h"
#include "presence/coords.h"
#include "presence/focus.h"
#include "presence/mouse.h"
#include "presence/self.h"
#include "presence/teleport.h"
#include "render/scene.h"
#include "ui/menu.h"
#include "world/cell.h"
#include "world/element.h"
#include "world/prop.h"
#include "world/visible.h"
#include "world/world.h"

namespace {

constexpr int tick_interval_ms = 5;
constexpr uint32_t default_until_ms = 20000;
constexpr uint32_t dialog_wait_ms = 20000;

// What a command reports each time it runs.
enum step { done, waiting, failed };

struct automation_state {
    bool active = false;
    std::vector<std::string> lines;
    size_t next = 0;           // index of the command being run
    bool started = false;      // the current command has begun
    uint64_t target_frames = 0;
    uint64_t target_images = 0;  // the camera's picture a screenshot waits for
    uint32_t started_at = 0;   // system clock when the command began
    uint32_t counted_at = 0;   // system clock when the last count was reached
    std::string error;
    std::vector<std::string> log_lines;
    size_t log_cursor = 0;     // log lines before this have been matched
    int console_cursor = 0;    // console lines before this have been matched
    QPointer<QWidget> dialog;
    std::unique_ptr<QTimer> timer;
};

automation_state state;

void observe_log(const char* text)
{
    state.log_lines.emplace_back(text);
}

std::string strip_ampersands(const QString& text)
{
    QString t = text;
    t.remove('&');
    return t.trimmed().toStdString();
}

bool parse_int(const std::string& text, long* value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    *value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0';
}

// Splits "TEXT [MS]" into the text and the time-out.
void text_and_timeout(const std::string& rest, std::string* text, uint32_t* timeout)
{
    *text = rest;
    *timeout = default_until_ms;
    size_t space = rest.find_last_of(' ');
    long ms = 0;
    if (space != std::string::npos && parse_int(rest.substr(space + 1), &ms) && ms >= 0) {
        *text = rest.substr(0, space);
        *timeout = static_cast<uint32_t>(ms);
    }
}

// Words, where a double-quoted run counts as one word.
std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i >= text.size())
            break;
        std::string word;
        if (text[i] == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string::npos)
                close = text.size();
            word = text.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            size_t end = text.find(' ', i);
            if (end == std::string::npos)
                end = text.size();
            word = text.substr(i, end - i);
            i = end;
        }
        out.push_back(word);
    }
    return out;
}

bool elapsed(uint32_t since, uint32_t ms)
{
    return clock_ms() - since >= ms;
}

step fail(const std::string& why)
{
    state.error = why;
    return failed;
}

// Dialogs, and tool windows such as the object properties, which scripts
// fill in the same way.
bool is_dialog(const QWidget* w)
{
    return w->isVisible() && (qobject_cast<const QDialog*>(w) || w->windowType() == Qt::Tool);
}

QWidget* find_dialog(const std::string& title)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (is_dialog(w) && w->windowTitle().toStdString().find(title) != std::string::npos)
            return w;
    }
    return nullptr;
}

QWidget* dialog_scope()
{
    if (state.dialog && state.dialog->isVisible())
        return state.dialog;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (is_dialog(w))
            return w;
    }
    return nullptr;
}

step run_button(const std::string& label)
{
    QWidget* scope = dialog_scope();
    if (!scope)
        return fail("no dialog is open");
    for (QAbstractButton* b : scope->findChildren<QAbstractButton*>()) {
        if (b->isVisible() && strip_ampersands(b->text()) == label) {
            // A button may open a dialog of its own: it is pressed after
            // this step returns, so the script goes on meanwhile.
            QMetaObject::invokeMethod(b, "click", Qt::QueuedConnection);
            return done;
        }
    }
    return fail("no button \"" + label + "\"");
}

bool set_value(QWidget* w, const std::string& value)
{
    QString v = QString::fromStdString(value);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        // As if typed: listeners of edits hear of it.
        edit->setText(v);
        emit edit->textEdited(v);
        return true;
    }
    if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        spin->setValue(v.toInt());
        return true;
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setCurrentText(v);
        return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable()) {
        button->setChecked(value != "0");
        return true;
    }
    return false;
}

step run_field(const std::string& args)
{
    std::vector<std::string> w = words(args);
    if (w.size() != 2)
        return fail("field needs a name and a value");
    QWidget* scope = dialog_scope();
    if (!scope)
        return fail("no dialog is open");
    std::string name = w[0];
    for (QLabel* label : scope->findChildren<QLabel*>()) {
        std::string text = strip_ampersands(label->text());
        if (!text.empty() && text.back() == ':')
            text.pop_back();
        if (text == name && label->buddy() && set_value(label->buddy(), w[1]))
            return done;
    }
    for (QAbstractButton* b : scope->findChildren<QAbstractButton*>()) {
        if (strip_ampersands(b->text()) == name && set_value(b, w[1]))
            return done;
    }
    return fail("no field \"" + name + "\"");
}

// The command ids of the menu bar's items that are greyed out.
QJsonArray disabled_commands(QMainWindow* window)
{
    QJsonArray ids;
    if (!window)
        return ids;
    std::vector<QMenu*> menus;
    for (QAction* a : window->menuBar()->actions()) {
        if (a->menu())
            menus.push_back(a->menu());
    }
    while (!menus.empty()) {
        QMenu* menu = menus.back();
        menus.pop_back();
        for (QAction* a : menu->actions()) {
            if (a->menu())
                menus.push_back(a->menu());
            else if (a->data().toInt() > 0 && !a->isEnabled())
                ids.append(a->data().toInt());
        }
    }
    return ids;
}

// Every item of the menu bar as its command id and text, menu by menu.
QJsonArray menu_items(QMainWindow* window)
{
    QJsonArray items;
    if (!window)
        return items;
    std::vector<QMenu*> menus;
    for (QAction* a : window->menuBar()->actions()) {
        if (a->menu())
            menus.push_back(a->menu());
    }
    for (size_t i = 0; i < menus.size(); ++i) {
        for (QAction* a : menus[i]->actions()) {
            if (a->menu())
                menus.push_back(a->menu());
            else if (a->data().toInt() > 0)
                items.append(QJsonObject{{"id", a->data().toInt()}, {"text", a->text()}});
        }
    }
    return items;
}

// The resident size of the program, from the kernel's status file.
qint64 resident_kb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// The live objects of the first `cells` cells of the loading order around
// the user.
int elements_within(int cells)
{
    double x, y, z;
    float yaw;
    self_position(&x, &y, &z, &yaw);
    int count = 0;
    const visible_offset* table = visible_table();
    for (int i = 0; i < cells && i < visible_table_size; ++i) {
        visible_start(cell_from_world(x) + table[i].dx, cell_from_world(z) + table[i].dz);
        while (visible_next())
            ++count;
    }
    return count;
}

// Where the user is in which world, and what is loaded around them.
void add_world_state(QJsonObject* o)
{
    const char* world = world_current_name();
    (*o)["world"] = *world ? QJsonValue(QString::fromUtf8(world)) : QJsonValue();
    (*o)["title"] = QString::fromUtf8(world_title());
    double x, y, z;
    float yaw;
    self_position(&x, &y, &z, &yaw);
    (*o)["position"] = QJsonObject{{"x", x}, {"y", y}, {"z", z}, {"yaw", yaw}};
    (*o)["cell"] = QJsonObject{{"x", cell_from_world(x)}, {"z", cell_from_world(z)}};
    (*o)["place"] = QJsonObject{{"cell", QString::fromUtf8(self_coordinates())},
                                {"facing", QString::fromUtf8(self_direction())},
                                {"coordinates", QString::fromUtf8(coords_format({x, y, z, yaw}))}};
    int back = 0, forward = 0;
    teleport_history_counts(&back, &forward);
    (*o)["history"] = QJsonObject{{"back", back}, {"forward", forward}};
    (*o)["camera"] = camera_third_person() ? "third" : "first";
    (*o)["elements"] = element_count();
    (*o)["elements_within"] = QJsonObject{{"48", elements_within(48)}, {"458", elements_within(458)}};
    (*o)["cells_loaded"] = visible_cells_loaded();
    (*o)["range"] = QJsonObject{{"index", visible_range()}, {"metres", visible_range_metres()}};
    (*o)["visible"] = QJsonObject{{"loaded_48_ms", static_cast<qint64>(visible_loaded_at(48))},
                                  {"loaded_458_ms", static_cast<qint64>(visible_loaded_at(458))},
                                  {"last_ms", visible_last_work_ms()},
                                  {"worst_ms", visible_worst_work_ms()},
                                  {"slowest_cell_ms", visible_slowest_cell_ms()}};
    int block = 0, range = 0;
    visible_arrival_frames(&block, &range);
    (*o)["arrival_frames"] = QJsonObject{{"block", block}, {"range", range}};
    (*o)["queries"] = prop_queries_sent();
    (*o)["pending"] = prop_pending();
    QString console;
    int lines = console_line_count();
    for (int i = std::max(0, lines - 50); i < lines; ++i)
        console += QString::fromUtf8(console_line(i)) + "\n";
    (*o)["console"] = console;
}

// The object selected for building (null when none) and how many objects
// actions have hidden.
void add_building_state(QJsonObject* o)
{
    const element* e = pick_element();
    (*o)["selected"] =
        e ? QJsonValue(QJsonObject{
                {"model", QString::fromUtf8(element_model_name(e))},
                {"position", QJsonArray{element_x(e), element_y(e), element_z(e)}},
                {"yaw", element_yaw(e)},
                {"number", element_number(e)},
                {"owner", static_cast<qint64>(element_owner(e))}})
          : QJsonValue();
    (*o)["hidden_objects"] = element_hidden_count();
}

// The mouse's mode, the action commands run so far and the focus label's
// text (null when none shows).
void add_mouse_state(QJsonObject* o)
{
    (*o)["mode"] = mouse_is_mover() ? "mover" : "picker";
    (*o)["actions_run"] = static_cast<double>(behavior_actions_run());
    const char* focus = focus_text();
    (*o)["focus"] = focus ? QJsonValue(QString::fromUtf8(focus)) : QJsonValue();
}

step run_state(const std::string& path)
{
    QJsonObject o;
    add_mouse_state(&o);
    add_building_state(&o);
    QMainWindow* window = main_window();
    o["window_title"] = window ? window->windowTitle() : QString();
    add_world_state(&o);
    if (window) {
        QJsonObject geometry;
        geometry["x"] = window->x();
        geometry["y"] = window->y();
        geometry["width"] = window->width();
        geometry["height"] = window->height();
        o["window"] = geometry;
    }
    // Where the main window's views stand, in the window's coordinates.
    QJsonObject views;
    if (window) {
        for (const char* name : {"toolbar", "tab", "viewport", "console", "chat", "web"}) {
            auto* view = window->findChild<QWidget*>(name);
            if (!view)
                continue;
            QJsonObject g;
            QPoint at = view->mapTo(window, QPoint(0, 0));
            g["x"] = at.x();
            g["y"] = at.y();
            g["width"] = view->width();
            g["height"] = view->height();
            g["visible"] = view->isVisible();
            views[name] = g;
        }
    }
    o["views"] = views;
    o["menu_disabled"] = disabled_commands(window);
    o["menu_items"] = menu_items(window);
    o["fps"] = fps_rate();
    o["frames"] = static_cast<qint64>(loop_frames());
    o["inactive"] = loop_inactive() != 0;
    o["timer"] = loop_period();
    o["redraws"] = static_cast<qint64>(camera_images());
    loop_costs costs = loop_frame_costs();
    rw_render_stats drawn = rw_render_last_stats();
    o["frame_costs"] = QJsonObject{{"frames", costs.frames},
                                   {"drawn", costs.drawn},
                                   {"median_ms", costs.median_ms},
                                   {"p99_ms", costs.p99_ms},
                                   {"draw_median_ms", costs.draw_median_ms},
                                   {"draw_p99_ms", costs.draw_p99_ms},
                                   {"move_median_ms", costs.move_median_ms},
                                   {"move_p99_ms", costs.move_p99_ms},
                                   {"move_worst_ms", costs.move_worst_ms},
                                   {"draw_calls", drawn.draw_calls}};
    o["clock_ms"] = static_cast<qint64>(clock_ms());
    // When the last `until cells` or `until elements` was reached, and when
    // the world was last entered: what a world's loading took.
    o["counted_ms"] = static_cast<qint64>(state.counted_at);
    o["world_entered_ms"] = static_cast<qint64>(world_entered_at());
    o["rss_kb"] = resident_kb();
    // The processor time the program used so far, all its threads.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    o["cpu_ms"] = static_cast<qint64>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    QJsonObject panes;
    for (int i = 0; i < status_window_part_count(); ++i)
        panes[QString::number(i)] = QString::fromUtf8(status_window_text(i));
    o["panes"] = panes;
    o["identity"] = QString::fromUtf8(citizen_name());
    o["number"] = static_cast<qint64>(citizen_number());
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail("cannot write " + path);
    file.write(QJsonDocument(o).toJson());
    return done;
}

// A change that waits for its redraw slot is drawn before a screenshot, for
// at most a second.
bool picture_waiting()
{
    if (!state.started)
        state.target_images = camera_images() + 1;
    return camera_pending() && camera_images() < state.target_images &&
           !elapsed(state.started_at, 1000);
}

step run_screenshot(const std::string& path)
{
    if (picture_waiting())
        return waiting;
    int width = 0, height = 0;
    if (camera_read_pixels(nullptr, &width, &height) != 0)
        return fail("no 3D view");
    QImage image(width, height, QImage::Format_RGBA8888);
    if (camera_read_pixels(image.bits(), &width, &height) != 0 ||
        !image.save(QString::fromStdString(path), "PNG"))
        return fail("cannot write " + path);
    return done;
}

// The 3D view as the screen shows it, with the labels painted over the
// camera's image.
step run_screenshot_view(const std::string& path)
{
    if (picture_waiting())
        return waiting;
    QMainWindow* window = main_window();
    auto* view = window ? window->findChild<QOpenGLWidget*>("viewport") : nullptr;
    if (!view)
        return fail("no 3D view");
    return view->grabFramebuffer().save(QString::fromStdString(path), "PNG")
               ? done
               : fail("cannot write " + path);
}

step run_until_log(const std::string& rest)
{
    std::string text;
    uint32_t timeout;
    text_and_timeout(rest, &text, &timeout);
    for (size_t i = state.log_cursor; i < state.log_lines.size(); ++i) {
        if (state.log_lines[i].find(text) != std::string::npos) {
            state.log_cursor = i + 1;
            return done;
        }
    }
    if (elapsed(state.started_at, timeout))
        return fail("timed out");
    return waiting;
}

step run_until_title(const std::string& rest)
{
    std::string text;
    uint32_t timeout;
    text_and_timeout(rest, &text, &timeout);
    QMainWindow* window = main_window();
    if (window && window->windowTitle().toStdString().find(text) != std::string::npos)
        return done;
    if (elapsed(state.started_at, timeout))
        return fail("timed out");
    return waiting;
}

// A file appears (another program's signal to go on).
step run_until_file(const std::string& rest)
{
    std::string path;
    uint32_t timeout;
    text_and_timeout(rest, &path, &timeout);
    if (QFile::exists(QString::fromStdString(path)))
        return done;
    if (elapsed(state.started_at, timeout))
        return fail("timed out");
    return waiting;
}

// At least N cells are loaded around the user, or N elements are live.
step run_until_count(const std::string& rest, int (*count)())
{
    std::string text;
    uint32_t timeout;
    text_and_timeout(rest, &text, &timeout);
    long n = 0;
    if (!parse_int(text, &n))
        return fail("needs a count");
    if (count() >= n) {
        state.counted_at = clock_ms();
        return done;
    }
    if (elapsed(state.started_at, timeout))
        return fail("timed out");
    return waiting;
}

// Every cell of the first N entries of the loading order around the viewer
// is loaded; "range" for the entries within the range.
step run_until_near(const std::string& rest)
{
    std::string text;
    uint32_t timeout;
    text_and_timeout(rest, &text, &timeout);
    long n = 0;
    if (text == "range")
        n = visible_range();
    else if (!parse_int(text, &n))
        return fail("needs a count or range");
    int cells = static_cast<int>(n);
    if (visible_loaded_near(cells) >= std::min(cells, visible_table_size)) {
        state.counted_at = clock_ms();
        return done;
    }
    return elapsed(state.started_at, timeout) ? fail("timed out") : waiting;
}

step run_until_console(const std::string& rest)
{
    std::string text;
    uint32_t timeout;
    text_and_timeout(rest, &text, &timeout);
    for (int i = state.console_cursor; i < console_line_count(); ++i) {
        if (std::string(console_line(i)).find(text) != std::string::npos) {
            state.console_cursor = i + 1;
            return done;
        }
    }
    if (elapsed(state.started_at, timeout))
        return fail("timed out");
    return waiting;
}

// A visible dialog shows the text on one of its labels (a status line).
step run_until_text(const std::string& rest)
{
    std::string text;
    uint32_t timeout;
    text_and_timeout(rest, &text, &timeout);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!qobject_cast<QDialog*>(w) || !w->isVisible())
            continue;
        for (QLabel* label : w->findChildren<QLabel*>()) {
            if (label->text().toStdString().find(text) != std::string::npos)
                return done;
        }
    }
    if (elapsed(state.started_at, timeout))
        return fail("timed out");
    return waiting;
}

// No dialog with the title is open any more.
step run_until_closed(const std::string& rest)
{
    std::string title;
    uint32_t timeout;
    text_and_timeout(rest, &title, &timeout);
    if (!find_dialog(title))
        return done;
    if (elapsed(state.started_at, timeout))
        return fail("timed out");
    return waiting;
}

step run_key(const std::string& args)
{
    std::vector<std::string> w = words(args);
    long code = 0;
    if (w.size() != 2 || !parse_int(w[0], &code))
        return fail("key needs a code and down, up or press");
    int c = static_cast<int>(code);
    bool down = w[1] == "down" || w[1] == "press";
    bool up = w[1] == "up" || w[1] == "press";
    if (!down && !up)
        return fail("key needs down, up or press");
    // Keys, like menu commands, may open dialogs: they run after this step.
    QTimer::singleShot(0, [c, down, up] {
        if (down)
            main_window_key(c, 1, 0, 0);
        if (up)
            main_window_key(c, 0, 0, 0);
    });
    return done;
}

// A left-button drag from one point of the main window to another, sent to
// the widget under the first point as a grabbing mouse would.
step run_drag(const std::string& args)
{
    std::vector<std::string> w = words(args);
    long v[4] = {};
    if (w.size() != 4)
        return fail("drag needs two points");
    for (size_t i = 0; i < 4; ++i) {
        if (!parse_int(w[i], &v[i]))
            return fail("drag needs two points");
    }
    QMainWindow* window = main_window();
    QPoint from(static_cast<int>(v[0]), static_cast<int>(v[1]));
    QPoint to(static_cast<int>(v[2]), static_cast<int>(v[3]));
    QWidget* target = window ? window->childAt(from) : nullptr;
    if (!target)
        return fail("nothing to drag there");
    auto send = [target, window](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QPointF local = target->mapFrom(window, at);
        QMouseEvent event(type, local, target->mapToGlobal(local), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    return done;
}

// The cursor goes to a point of the 3D view as a hand moves it: the
// pointer itself moves there and the view receives the move, then the
// button's press and release when it clicks.
step run_pointer(const std::string& args, bool click)
{
    std::vector<std::string> w = words(args);
    long x = 0, y = 0;
    bool left = w.size() == 3 && w[0] == (click ? "left" : "move");
    bool right = click && w.size() == 3 && w[0] == "right";
    if ((!left && !right) || !parse_int(w[1], &x) || !parse_int(w[2], &y))
        return fail(click ? "click needs left or right and a point"
                          : "mouse needs move and a point");
    QMainWindow* window = main_window();
    QWidget* view = window ? window->findChild<QWidget*>("viewport") : nullptr;
    if (!view)
        return fail("no 3D view");
    QPointF at(static_cast<qreal>(x), static_cast<qreal>(y));
    QPointF global = view->mapToGlobal(at);
    QCursor::setPos(global.toPoint());
    auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    if (click) {
        Qt::MouseButton button = left ? Qt::LeftButton : Qt::RightButton;
        send(QEvent::MouseButtonPress, button, button);
        send(QEvent::MouseButtonRelease, button, Qt::NoButton);
    }
    return done;
}

step run_command(const std::string& line)
{
    size_t space = line.find(' ');
    std::string command = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    long n = 0;

    if (command == "wait") {
        if (!parse_int(rest, &n) || n < 0)
            return fail("wait needs a frame count");
        if (!state.started)
            state.target_frames = loop_frames() + static_cast<uint64_t>(n);
        return loop_frames() >= state.target_frames ? done : waiting;
    }
    if (command == "sleep") {
        if (!parse_int(rest, &n) || n < 0)
            return fail("sleep needs milliseconds");
        // The system clock, not the frame clock: no frames run while a
        // start-up dialog is open.
        return elapsed(state.started_at, static_cast<uint32_t>(n)) ? done : waiting;
    }
    if (command == "key")
        return run_key(rest);
    if (command == "drag")
        return run_drag(rest);
    if (command == "mouse" || command == "click")
        return run_pointer(rest, command == "click");
    if (command == "menu") {
        if (!parse_int(rest, &n))
            return fail("menu needs a command id");
        int id = static_cast<int>(n);
        QTimer::singleShot(0, [id] { menu_handle(id); });
        return done;
    }
    if (command == "until") {
        size_t s = rest.find(' ');
        std::string what = rest.substr(0, s);
        std::string text = s == std::string::npos ? "" : rest.substr(s + 1);
        if (what == "log")
            return run_until_log(text);
        if (what == "title")
            return run_until_title(text);
        if (what == "console")
            return run_until_console(text);
        if (what == "text")
            return run_until_text(text);
        if (what == "closed")
            return run_until_closed(text);
        if (what == "file")
            return run_until_file(text);
        if (what == "cells")
            return run_until_count(text, visible_cells_loaded);
        if (what == "elements")
            return run_until_count(text, element_count);
        if (what == "near")
            return run_until_near(text);
        return fail("until needs log, title, console, text, closed, file, cells, elements or near");
    }
    if (command == "dialog") {
        if (QWidget* d = find_dialog(rest)) {
            state.dialog = d;
            return done;
        }
        return elapsed(state.started_at, dialog_wait_ms) ? fail("no such dialog") : waiting;
    }
    if (command == "button")
        return run_button(rest);
    if (command == "field")
        return run_field(rest);
    if (command == "screenshot-window") {
        if (picture_waiting())
            return waiting;
        QMainWindow* window = main_window();
        if (!window)
            return fail("no main window");
        return window->grab().save(QString::fromStdString(rest), "PNG") ? done
                                                                         : fail("cannot write " + rest);
    }
    if (command == "screenshot-view")
        return run_screenshot_view(rest);
    if (command == "screenshot-dialog") {
        QWidget* dialog = dialog_scope();
        if (!dialog)
            return fail("no dialog");
        return dialog->grab().save(QString::fromStdString(rest), "PNG") ? done
                                                                         : fail("cannot write " + rest);
    }
    if (command == "state")
        return run_state(rest);
    if (command == "frame-costs") {
        if (rest != "reset")
            return fail("frame-costs takes reset");
        loop_reset_frame_costs();
        return done;
    }
    if (command == "teleport") {
        behavior_post(("teleport " + rest).c_str());
        return done;
    }
    if (command == "screenshot")
        return run_screenshot(rest);
    if (command == "resize") {
        std::vector<std::string> w = words(rest);
        long width = 0, height = 0;
        if (w.size() != 2 || !parse_int(w[0], &width) || !parse_int(w[1], &height))
            return fail("resize needs a width and a height");
        if (QMainWindow* window = main_window())
            window->resize(static_cast<int>(width), static_cast<int>(height));
        return done;
    }
    if (command == "quit") {
        if (!rest.empty() && !parse_int(rest, &n))
            return fail("quit takes an exit code");
        main_set_exit_code(rest.empty() ? 0 : static_cast<int>(n));
        main_quit();
        state.next = state.lines.size();
        return done;
    }
    return fail("unknown command");
}

void stop()
{
    if (state.timer)
        state.timer->stop();
}

void run_next()
{
    while (state.next < state.lines.size()) {
        std::string line = state.lines[state.next];
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            ++state.next;
            continue;
        }
        line = line.substr(first);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
            line.pop_back();
        if (!state.started)
            state.started_at = clock_ms();
        step s = run_command(line);
        if (s == waiting) {
            state.started = true;
            return;
        }
        state.started = false;
        if (s == failed) {
            std::fprintf(stderr, "automation: FAILED line %d: %s (%s)\n",
                         static_cast<int>(state.next + 1), line.c_str(), state.error.c_str());
            std::fflush(stderr);
            stop();
            main_set_exit_code(3);
            main_quit();
            return;
        }
        if (state.next < state.lines.size())
            ++state.next;
        return;  // one command a tick
    }
    stop();
}

}  // namespace

int automation_init()
{
    const char* path = std::getenv("VIREO_AUTOMATION");
    if (!path || !*path)
        return 0;
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "automation: cannot read %s\n", path);
        return 1;
    }
    std::istringstream in(file.readAll().toStdString());
    for (std::string line; std::getline(in, line);)
        state.lines.push_back(line);
    state.active = true;
    msgbox_answer_automatically(1);
    log_set_observer(observe_log);
    state.timer = std::make_unique<QTimer>();
    QObject::connect(state.timer.get(), &QTimer::timeout, run_next);
    state.timer->start(tick_interval_ms);
    return 0;
}

int automation_active()
{
    return state.active ? 1 : 0;
}

void automation_term()
{
    state.timer.reset();
    log_set_observer(nullptr);
}
