#include "app/disk_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include "app/disk.h"
#include "ui/sheet_page.h"

namespace {

class disk_page : public sheet_page {
public:
    disk_page()
    {
        setObjectName("607");
        setWindowTitle("Disk Usage");
        auto* grid = new QGridLayout(this);
        no_limit = new QRadioButton("&No Limit");
        limited = new QRadioButton("&Limit to");
        megabytes = new QSpinBox;
        megabytes->setRange(20, 999);
        auto* megabytes_label = new QLabel("&megabytes");
        megabytes_label->setBuddy(megabytes);
        deleting = new QCheckBox("A&utomatically delete files that have not been used for");
        days = new QSpinBox;
        days->setRange(1, 180);
        auto* days_label = new QLabel("&days");
        days_label->setBuddy(days);
        usage = new QLabel;
        grid->addWidget(no_limit, 0, 0, 1, 3);
        grid->addWidget(limited, 1, 0);
        grid->addWidget(megabytes, 1, 1);
        grid->addWidget(megabytes_label, 1, 2);
        grid->addWidget(deleting, 2, 0, 1, 3);
        grid->addWidget(days, 3, 1);
        grid->addWidget(days_label, 3, 2);
        grid->addWidget(usage, 4, 0, 1, 3);
        grid->setRowStretch(5, 1);

        int limit = disk_limit();
        (limit ? limited : no_limit)->setChecked(true);
        megabytes->setValue(limit ? limit : 50);
        int age = disk_delete_days();
        deleting->setChecked(age != 0);
        days->setValue(age ? age : 30);
        enable();
        connect(limited, &QRadioButton::toggled, this, [this] { enable(); });
        connect(deleting, &QCheckBox::toggled, this, [this] { enable(); });

        // The line follows a scan that ends while the page is open.
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] { show_usage(); });
        timer->start(1000);
        show_usage();
    }

    void apply() override
    {
        disk_apply(limited->isChecked(), megabytes->value(), deleting->isChecked(), days->value());
    }

private:
    void enable()
    {
        megabytes->setEnabled(limited->isChecked());
        days->setEnabled(deleting->isChecked());
    }

    void show_usage() { usage->setText(QString::fromUtf8(disk_usage_text())); }

    QRadioButton* no_limit;
    QRadioButton* limited;
    QSpinBox* megabytes;
    QCheckBox* deleting;
    QSpinBox* days;
    QLabel* usage;
};

}  // namespace

sheet_page* disk_page_create()
{
    return new disk_page;
}
