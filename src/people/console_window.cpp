#include "people/console_window.h"

#include <QPlainTextEdit>
#include <QPointer>

#include "ui/layout.h"

namespace {

constexpr int kept_blocks = 1000;

QPointer<QPlainTextEdit> view;

}  // namespace

int console_init()
{
    view = new QPlainTextEdit;
    view->setObjectName("console");
    view->setReadOnly(true);
    view->setFocusPolicy(Qt::NoFocus);
    view->setMaximumBlockCount(kept_blocks);
    layout_attach(layout_part_console, view);
    return 0;
}

void console_window_append(const char* line)
{
    if (view)
        view->appendPlainText(QString::fromUtf8(line));
}

void console_window_clear()
{
    if (view)
        view->clear();
}
