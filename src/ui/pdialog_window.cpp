// The object properties window: four editable fields, the owner's name and
// the build time, under the Object and Edit menus.
#include "ui/pdialog_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMainWindow>
#include <QMoveEvent>
#include <QPointer>
#include <QShowEvent>

#include "app/main_window.h"
#include "base/profile.h"
#include "behavior/pdialog.h"
#include "ui/menu.h"

namespace {

struct field_row {
    pdialog_field field;
    const char* name;
    const char* label;
};

constexpr field_row rows[] = {
    {pdialog_model, "object", "&Object:"},
    {pdialog_description, "description", "&Description:"},
    {pdialog_action, "action", "&Action:"},
    {pdialog_owner, "owner", "O&wner:"},
};

// A separate tool window: the keys typed into its fields stay in it and
// never reach the main window's building keys.
class properties_window : public QWidget {
public:
    properties_window() : QWidget(main_window(), Qt::Tool)
    {
        setObjectName("object_properties");
        setWindowTitle("Object properties");
        setAttribute(Qt::WA_ShowWithoutActivating);
        auto* form = new QFormLayout(this);
        form->setMenuBar(menu_object_bar(this));
        for (const field_row& row : rows) {
            auto* edit = new QLineEdit;
            edit->setObjectName(row.name);
            edit->setMaxLength(pdialog_field_limit);
            edit->setMinimumWidth(250);
            pdialog_field field = row.field;
            QObject::connect(edit, &QLineEdit::textEdited, this, [field](const QString& text) {
                pdialog_edit(field, text.toUtf8().constData());
            });
            form->addRow(row.label, edit);
            edits[row.field] = edit;
        }
        owner_name = new QLabel;
        owner_name->setObjectName("owner_name");
        form->addRow("", owner_name);
        built = new QLabel;
        built->setObjectName("built");
        form->addRow("Built:", built);
        int x = profile_int("layout", "object_x");
        int y = profile_int("layout", "object_y");
        if (x != -1 && y != -1)
            move(x, y);
    }

    void fill()
    {
        bool on = pdialog_enabled() != 0;
        for (int i = 0; i < pdialog_field_count; ++i) {
            QLineEdit* edit = edits[i];
            QString text = QString::fromUtf8(pdialog_text(static_cast<pdialog_field>(i)));
            // Setting the same text again would move the user's cursor.
            if (edit->text() != text)
                edit->setText(text);
            edit->setEnabled(on);
        }
        owner_name->setText(QString::fromUtf8(pdialog_owner_name()));
        built->setText(QString::fromUtf8(pdialog_built()));
    }

protected:
    void moveEvent(QMoveEvent* event) override
    {
        QWidget::moveEvent(event);
        if (isVisible()) {
            profile_set_int("layout", "object_x", pos().x());
            profile_set_int("layout", "object_y", pos().y());
        }
    }

    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        profile_set_int("layout", "object", 1);
    }

    // Closing only hides the window; a selection shows it again.
    void closeEvent(QCloseEvent* event) override
    {
        QWidget::closeEvent(event);
        profile_set_int("layout", "object", 0);
    }

private:
    QLineEdit* edits[pdialog_field_count] = {};
    QLabel* owner_name;
    QLabel* built;
};

QPointer<properties_window> window;

}  // namespace

void pdialog_window_show()
{
    if (!window) {
        window = new properties_window;
        window->fill();
    }
    if (window->isVisible())
        return;
    // Where the system activates a window on showing it all the same, the
    // window that had the keyboard gets it back.
    QWidget* active = QApplication::activeWindow();
    window->show();
    if (active && active != window)
        active->activateWindow();
}

void pdialog_window_changed()
{
    if (window)
        window->fill();
}

void pdialog_window_term()
{
    delete window.data();
}
