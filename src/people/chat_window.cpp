#include "people/chat_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

#include "ui/layout.h"

namespace {

QPointer<QLineEdit> entry;

}  // namespace

int chat_init()
{
    entry = new QLineEdit;
    entry->setObjectName("chat");
    layout_attach(layout_part_entry, entry);
    return 0;
}

int chat_height()
{
    return entry ? entry->sizeHint().height() : 0;
}

void chat_forward_char(int character)
{
    if (!entry)
        return;
    Qt::Key key = Qt::Key_unknown;
    switch (character) {
    case '\b': key = Qt::Key_Backspace; break;
    case '\t': key = Qt::Key_Tab; break;
    case '\r': case '\n': key = Qt::Key_Return; break;
    case 27: key = Qt::Key_Escape; break;
    default: break;
    }
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QChar(character)));
    QApplication::sendEvent(entry, &press);
}
