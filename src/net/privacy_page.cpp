#include "net/privacy_page.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "net/privacy.h"
#include "ui/sheet_page.h"

namespace {

class privacy_page : public sheet_page {
public:
    privacy_page()
    {
        setObjectName("620");
        setWindowTitle("Privacy");
        auto* column = new QVBoxLayout(this);
        anyone = new QRadioButton("Allow &anyone to join me");
        anyone->setObjectName("join_anyone");
        contacts = new QRadioButton("Only allow citizens on my &contact list to join me");
        contacts->setObjectName("join_contacts");
        nobody = new QRadioButton("&Don't allow anyone to join me");
        nobody->setObjectName("join_nobody");
        verify = new QCheckBox("&Verify all join requests");
        verify->setObjectName("verify");
        hide_world = new QCheckBox("Don't let them see the world I'm currently in");
        hide_world->setObjectName("hide_world");
        column->addWidget(anyone);
        column->addWidget(contacts);
        column->addWidget(nobody);
        column->addSpacing(8);
        column->addWidget(verify);
        column->addWidget(hide_world);
        column->addStretch(1);

        switch (privacy_join()) {
        case privacy_join_contacts:
            contacts->setChecked(true);
            break;
        case privacy_join_nobody:
            nobody->setChecked(true);
            break;
        default:
            anyone->setChecked(true);
            break;
        }
        verify->setChecked(privacy_verify());
        hide_world->setChecked(privacy_hide_world());
    }

    void apply() override
    {
        int join = contacts->isChecked() ? privacy_join_contacts
                   : nobody->isChecked() ? privacy_join_nobody
                                         : privacy_join_anyone;
        privacy_apply(join, verify->isChecked(), hide_world->isChecked());
    }

private:
    QRadioButton* anyone;
    QRadioButton* contacts;
    QRadioButton* nobody;
    QCheckBox* verify;
    QCheckBox* hide_world;
};

}  // namespace

sheet_page* privacy_page_create()
{
    return new privacy_page;
}
