#include "world/world_options_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/main_window.h"
#include "world/prop.h"
#include "world/world.h"

namespace {

struct text_field {
    const char* label;
    int slot;
    bool rights;
};

constexpr text_field text_fields[] = {
    {"Title", 0, false},          {"Backdrop", 1, false},
    {"Ground", 2, false},         {"Object Path", 3, false},
    {"Object Password", 22, false}, {"Home Page", 20, false},
    {"Object Refresh (minutes)", 5, false}, {"Restricted Radius (meters)", 15, false},
    {"Enter", 8, true},           {"Build", 6, true},
    {"Eminent Domain", 7, true},  {"Special Objects", 10, true},
    {"Special Actions", 9, true}, {"Public Speakers", 18, true},
};
constexpr size_t field_count = sizeof text_fields / sizeof text_fields[0];
constexpr int slot_password = 22;
constexpr int slot_may_edit = 14;
constexpr int slot_disable_url = 23;

class options_dialog : public QDialog {
public:
    options_dialog() : QDialog(main_window())
    {
        setObjectName("world_options");
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle("World Options");
        auto* layout = new QVBoxLayout(this);
        waiting_ = new QLabel("Determining options...(please wait)");
        layout->addWidget(waiting_);
        form_ = new QFormLayout;
        for (size_t i = 0; i < field_count; ++i) {
            edits_[i] = new QLineEdit;
            edits_[i]->setMaxLength(254);
            form_->addRow(text_fields[i].label, edits_[i]);
        }
        auto* colour_row = new QHBoxLayout;
        colour_ = new QPushButton("Choose...");
        colour_row->addWidget(colour_);
        form_->addRow("Backdrop Color", colour_row);
        disable_url_ = new QCheckBox("Disable \"create url\"");
        form_->addRow(disable_url_);
        layout->addLayout(form_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &options_dialog::send);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(colour_, &QPushButton::clicked, this, [this] {
            QColor chosen = QColorDialog::getColor(colour, this);
            if (chosen.isValid())
                colour = chosen;
        });
        set_enabled(false);
    }

    // The server's answer to the read: the fields, read-only unless the
    // user may change them.
    void fill(const uint8_t* data, size_t length, int code)
    {
        if (code != 0) {
            waiting_->setText(QString("Unable to determine options (reason %1)").arg(code));
            return;
        }
        world_attributes_decode(data, length, &attributes);
        editable = std::strcmp(text(slot_may_edit), "Y") == 0;
        setWindowTitle(editable ? "World Options" : "World Options (read only)");
        waiting_->hide();
        for (size_t i = 0; i < field_count; ++i) {
            const text_field& f = text_fields[i];
            QString value = QString::fromUtf8(text(f.slot));
            if (f.rights && !editable)
                value = value.isEmpty() ? "Nobody" : value == "*" ? "Everybody" : "Restricted";
            edits_[i]->setText(value);
            if (f.slot == slot_password)
                form_->setRowVisible(edits_[i], editable);
        }
        colour = QColor(std::atoi(text(11)), std::atoi(text(12)), std::atoi(text(13)));
        disable_url_->setChecked(std::strcmp(text(slot_disable_url), "Y") == 0);
        set_enabled(editable);
    }

private:
    const char* text(int slot) const
    {
        return attributes.set[slot] ? attributes.text[slot] : "";
    }

    void put(int slot, const QByteArray& value)
    {
        size_t n = std::min<size_t>(static_cast<size_t>(value.size()), 254);
        attributes.set[slot] = true;
        attributes.length[slot] = static_cast<uint8_t>(n);
        std::memcpy(attributes.text[slot], value.constData(), n);
        attributes.text[slot][n] = 0;
    }

    void set_enabled(bool on)
    {
        for (QLineEdit* e : edits_)
            e->setEnabled(on);
        colour_->setEnabled(on);
        disable_url_->setEnabled(on);
    }

    void send()
    {
        if (!editable) {
            accept();
            return;
        }
        for (size_t i = 0; i < field_count; ++i) {
            QByteArray value = edits_[i]->text().toUtf8();
            if (text_fields[i].rights)
                value.truncate(static_cast<int>(world_rights_length(value.constData())));
            put(text_fields[i].slot, value);
        }
        put(11, QByteArray::number(colour.red()));
        put(12, QByteArray::number(colour.green()));
        put(13, QByteArray::number(colour.blue()));
        put(slot_disable_url, disable_url_->isChecked() ? "Y" : "N");
        uint8_t data[world_slot_count * 258];
        size_t n = world_attributes_encode(&attributes, data, sizeof data);
        prop_options_write(data, n);
        accept();
    }

    world_attributes attributes{};
    bool editable = false;
    QColor colour;
    QFormLayout* form_;
    QLabel* waiting_;
    QLineEdit* edits_[field_count];
    QPushButton* colour_;
    QCheckBox* disable_url_;
};

QPointer<options_dialog> open_dialog;

void read_reply(const uint8_t* data, size_t length, int code)
{
    if (open_dialog)
        open_dialog->fill(data, length, code);
}

}  // namespace

void world_options_dialog_open()
{
    if (open_dialog) {
        open_dialog->raise();
        return;
    }
    open_dialog = new options_dialog;
    open_dialog->show();
    prop_options_read(read_reply);
}
