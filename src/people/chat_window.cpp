#include "people/chat_window.h"

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
