#include "app/status_window.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>

#include <string>
#include <vector>

#include "app/main_window.h"

namespace {

QPointer<QStatusBar> bar;
std::vector<QPointer<QLabel>> labels;
std::string text_copy;

void clear_labels()
{
    for (QPointer<QLabel>& label : labels)
        delete label.data();
    labels.clear();
}

}  // namespace

void status_window_create()
{
    QMainWindow* window = main_window();
    if (!window)
        return;
    bar = window->statusBar();
    bar->setObjectName("201");
    bar->setSizeGripEnabled(true);
}

int status_window_width()
{
    return bar ? bar->width() : 0;
}

int status_window_height()
{
    return bar ? bar->height() : 0;
}

void status_window_set_parts(const int* edges, const char* const* texts, int count)
{
    if (!bar)
        return;
    clear_labels();
    int left = 0;
    for (int i = 0; i < count; ++i) {
        auto* label = new QLabel(QString::fromUtf8(texts[i]));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setFixedWidth(std::max(edges[i] - left, 0));
        left = edges[i];
        bar->addWidget(label);
        labels.emplace_back(label);
    }
}

void status_window_set_text(int index, const char* text)
{
    if (index < 0 || index >= static_cast<int>(labels.size()) || !labels[index])
        return;
    labels[index]->setText(QString::fromUtf8(text));
}

int status_window_part_count()
{
    return static_cast<int>(labels.size());
}

const char* status_window_text(int index)
{
    if (index < 0 || index >= static_cast<int>(labels.size()) || !labels[index])
        return "";
    text_copy = labels[index]->text().toStdString();
    return text_copy.c_str();
}
