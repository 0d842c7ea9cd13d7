// The Teleport, Remember and Edit Teleports dialogs.
#include "presence/teleport_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "base/msg.h"
#include "behavior/behavior.h"
#include "net/login_window.h"
#include "presence/places.h"
#include "world/world.h"

namespace {

// The longest world name and coordinate text the Teleport dialog takes.
constexpr int field_limit = 255;

QString text_of(const char* s)
{
    return QString::fromUtf8(s);
}

// The copies of the remembered places, sorted by name as the menu is, each
// item holding its location text.
void fill(QListWidget* list)
{
    std::vector<int> order(static_cast<size_t>(places_count()));
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [](int a, int b) {
        return QString::compare(text_of(places_name(a)), text_of(places_name(b)),
                                Qt::CaseInsensitive) < 0;
    });
    for (int i : order) {
        auto* item = new QListWidgetItem(text_of(places_name(i)), list);
        item->setData(Qt::UserRole, text_of(places_location(i)));
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
}

// The list as edited takes the place of the remembered places.
void replace_places(const QListWidget* list)
{
    places_clear();
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        places_add(item->text().toUtf8().constData(),
                   item->data(Qt::UserRole).toString().toUtf8().constData());
    }
    places_save();
}

}  // namespace

void teleport_dialog(const char* world)
{
    QDialog box(main_window());
    box.setObjectName("605");
    box.setWindowTitle("Teleport");
    auto* layout = new QVBoxLayout(&box);
    auto* form = new QFormLayout;
    auto* world_edit = new QLineEdit(text_of(world ? world : world_current_name()));
    world_edit->setMaxLength(field_limit);
    auto* coordinates = new QLineEdit;
    coordinates->setMaxLength(field_limit);
    coordinates->setPlaceholderText("40N 50W");
    form->addRow("&World:", world_edit);
    form->addRow("&Coordinates:", coordinates);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    coordinates->setFocus();
    if (box.exec() != QDialog::Accepted)
        return;
    // The fields hold at most field_limit characters; their bytes may be more.
    std::string place = world_edit->text().toUtf8().left(field_limit).toStdString();
    place += " " + coordinates->text().toUtf8().left(field_limit).toStdString();
    behavior_post(("teleport " + place).c_str());
}

void teleport_remember()
{
    std::string proposal = places_suggested_name();
    const char* name = input_dialog(msg(172), msg(173), proposal.c_str());
    if (name && places_add(name, places_here().c_str()))
        places_save();
}

void teleport_edit()
{
    QDialog box(main_window());
    box.setObjectName("618");
    box.setWindowTitle("Edit Teleports");
    auto* layout = new QVBoxLayout(&box);
    auto* row = new QHBoxLayout;
    auto* list = new QListWidget;
    fill(list);
    row->addWidget(list);
    auto* side = new QVBoxLayout;
    auto* rename = new QPushButton("&Rename");
    auto* remove = new QPushButton("&Delete");
    rename->setEnabled(false);
    remove->setEnabled(false);
    side->addWidget(rename);
    side->addWidget(remove);
    side->addStretch();
    row->addLayout(side);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    QObject::connect(list, &QListWidget::itemSelectionChanged, &box, [list, rename, remove] {
        bool selected = !list->selectedItems().isEmpty();
        rename->setEnabled(selected);
        remove->setEnabled(selected);
    });
    QObject::connect(rename, &QPushButton::clicked, &box, [list] {
        if (QListWidgetItem* item = list->currentItem())
            list->editItem(item);
    });
    QObject::connect(remove, &QPushButton::clicked, &box, [list] {
        if (QListWidgetItem* item = list->currentItem())
            delete list->takeItem(list->row(item));
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    if (box.exec() == QDialog::Accepted)
        replace_places(list);
}
