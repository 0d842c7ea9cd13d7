#include "app/msgbox_dialog.h"

#include <QMessageBox>

#include "base/msgbox.h"

namespace {

QMessageBox::Icon qt_icon(int icon)
{
    switch (icon) {
    case msgbox_stop: return QMessageBox::Critical;
    case msgbox_warning: return QMessageBox::Warning;
    case msgbox_information: return QMessageBox::Information;
    case msgbox_question: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons qt_buttons(int buttons)
{
    switch (buttons) {
    case msgbox_ok_cancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case msgbox_yes_no: return QMessageBox::Yes | QMessageBox::No;
    case msgbox_yes_no_cancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
    }
}

int answer(int button)
{
    switch (button) {
    case QMessageBox::Cancel: return msgbox_answer_cancel;
    case QMessageBox::Yes: return msgbox_answer_yes;
    case QMessageBox::No: return msgbox_answer_no;
    default: return msgbox_answer_ok;
    }
}

}  // namespace

int msgbox_dialog_show(const char* title, const char* text, int icon, int buttons)
{
    QMessageBox box(qt_icon(icon), QString::fromUtf8(title), QString::fromUtf8(text),
                    qt_buttons(buttons));
    return answer(box.exec());
}
