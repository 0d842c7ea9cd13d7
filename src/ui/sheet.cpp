#include "ui/sheet.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <vector>

#include "app/disk_page.h"
#include "app/main_window.h"
#include "app/perform_page.h"
#include "assets/downloads_page.h"
#include "net/privacy_page.h"
#include "net/proxy_page.h"
#include "people/sound_page.h"
#include "ui/advanced_page.h"
#include "ui/sheet_page.h"

namespace {

struct page_kind {
    const char* title;
    sheet_page* (*create)();
};

const page_kind kinds[] = {
    {"Performance", perform_page_create},
    {"Disk Usage", disk_page_create},
    {"Proxy", proxy_page_create},
    {"Sound", sound_page_create},
    {"Downloads", downloads_page_create},
    {"Privacy", privacy_page_create},
    {"Advanced", advanced_page_create},
};

class settings_sheet : public QDialog {
public:
    explicit settings_sheet(QWidget* owner) : QDialog(owner)
    {
        setObjectName("settings");
        setWindowTitle("Settings");
        tabs = new QTabWidget;
        // Every page's tab stays in sight: the sheet is as wide as they are.
        tabs->setUsesScrollButtons(false);
        for (const page_kind& kind : kinds) {
            sheet_page* page = kind.create();
            tabs->addTab(page, kind.title);
            pages.push_back(page);
            watch(page);
        }
        buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                       QDialogButtonBox::Apply);
        buttons->button(QDialogButtonBox::Apply)->setEnabled(false);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] {
            apply();
            accept();
        });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
                [this] { apply(); });
        auto* column = new QVBoxLayout(this);
        column->addWidget(tabs);
        column->addWidget(buttons);
    }

private:
    void apply()
    {
        for (sheet_page* page : pages)
            page->apply();
        buttons->button(QDialogButtonBox::Apply)->setEnabled(false);
    }

    void changed() { buttons->button(QDialogButtonBox::Apply)->setEnabled(true); }

    // Any edit on a page marks the sheet as changed.
    void watch(QWidget* page)
    {
        for (auto* box : page->findChildren<QAbstractButton*>())
            connect(box, &QAbstractButton::toggled, this, [this] { changed(); });
        for (auto* edit : page->findChildren<QLineEdit*>())
            connect(edit, &QLineEdit::textEdited, this, [this] { changed(); });
        for (auto* spin : page->findChildren<QSpinBox*>())
            connect(spin, &QSpinBox::valueChanged, this, [this] { changed(); });
        for (auto* combo : page->findChildren<QComboBox*>())
            connect(combo, &QComboBox::currentIndexChanged, this, [this] { changed(); });
        for (auto* slider : page->findChildren<QSlider*>())
            connect(slider, &QSlider::valueChanged, this, [this] { changed(); });
    }

    QTabWidget* tabs;
    QDialogButtonBox* buttons;
    std::vector<sheet_page*> pages;
};

}  // namespace

QDialog* sheet_create()
{
    return new settings_sheet(main_window());
}

void sheet_open()
{
    QDialog* sheet = sheet_create();
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->exec();
}
