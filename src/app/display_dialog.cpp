#include "app/display_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/display.h"
#include "app/main_window.h"
#include "base/msg.h"
#include "base/profile.h"

int display_dialog_run(const char* text, int* dont_warn)
{
    QDialog dialog(main_window());
    dialog.setObjectName("601");
    dialog.setWindowTitle("Display Depth Warning!");
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setWordWrap(true);
    layout->addWidget(label);
    // The check box's label is spelled as it always has been.
    auto* check = new QCheckBox("&Dont't display this message again");
    layout->addWidget(check);
    auto* buttons = new QDialogButtonBox;
    QPushButton* go_on = buttons->addButton("&Continue Anyway", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Exit", QDialogButtonBox::RejectRole);
    go_on->setDefault(true);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    int result = dialog.exec();
    *dont_warn = check->isChecked() ? 1 : 0;
    return result == QDialog::Accepted ? 1 : 0;
}

int display_init()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    int depth = screen ? screen->depth() : 24;
    if (!display_should_warn(depth, profile_int("display", "depth")))
        return 1;
    const char* text = msg(140, depth == 8 ? "n" : "", depth, msg(msg_product));
    int dont_warn = 0;
    int go_on = display_dialog_run(text, &dont_warn);
    if (dont_warn)
        profile_set_int("display", "depth", 1);
    return go_on;
}
