#include "ui/advanced_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "base/settings.h"
#include "net/privilege_page.h"
#include "ui/advanced.h"
#include "ui/sheet_page.h"

namespace {

class advanced_page : public sheet_page {
public:
    advanced_page()
    {
        setObjectName("advanced");
        setWindowTitle("Advanced");
        privilege = privilege_page_create();
        auto* cache = new QGroupBox("Cache");
        keep_rwx = new QCheckBox("Keep models (.rwx and .wrl files)");
        keep_rwx->setObjectName("keep_rwx");
        keep_rwx->setChecked(settings_int("advanced", "keep_rwx") == 1);
        keep_bmp = new QCheckBox("Keep .b&mp files");
        keep_bmp->setObjectName("keep_bmp");
        keep_bmp->setChecked(settings_int("advanced", "keep_bmp") == 1);
        auto* boxes = new QVBoxLayout(cache);
        boxes->addWidget(keep_rwx);
        boxes->addWidget(keep_bmp);
        auto* column = new QVBoxLayout(this);
        column->addWidget(privilege);
        column->addWidget(cache);
        column->addStretch(1);
    }

    void apply() override
    {
        privilege->apply();
        advanced_apply(keep_rwx->isChecked(), keep_bmp->isChecked());
    }

private:
    sheet_page* privilege;
    QCheckBox* keep_rwx;
    QCheckBox* keep_bmp;
};

}  // namespace

sheet_page* advanced_page_create()
{
    return new advanced_page;
}
