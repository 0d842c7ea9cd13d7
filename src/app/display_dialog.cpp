#include "app/display_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_window.h"

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
