#include "net/privilege_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>

#include <string>

#include "base/msg.h"
#include "base/profile.h"
#include "net/login.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "net/universe_message.h"
#include "ui/sheet_page.h"

namespace {

class privilege_page : public sheet_page {
public:
    privilege_page()
    {
        setObjectName("privilege");
        auto* form = new QFormLayout(this);
        apply_for = new QCheckBox("&Acquire the privileges of another citizen");
        name = new QLineEdit;
        name->setMaxLength(16);
        password = new QLineEdit;
        password->setMaxLength(12);
        password->setEchoMode(QLineEdit::Password);
        form->addRow(apply_for);
        form->addRow("&Name:", name);
        form->addRow("Privilege &password:", password);

        apply_for->setChecked(profile_int("privilege", "privilege") == 1);
        number = static_cast<uint32_t>(std::max(profile_int("privilege", "id"), 0));
        resolved = profile_string("privilege", "name");
        name->setText(QString::fromStdString(resolved));
        password->setText(QString::fromUtf8(profile_encrypted_string("privilege", "password")));
        if (number && name->text().isEmpty())
            universe_get_citizen_name(number);
        connect(name, &QLineEdit::editingFinished, this, [this] { look_up(); });
    }

    void answer(const universe_message& m)
    {
        if (m.id == universe::message_citizen_number) {
            if (m.name != looked_up)
                return;
            pending = false;
            resolved = looked_up;
            number = m.rc == 0 ? m.number : 0;
            if (number == 0)
                name->setText(QString::fromUtf8(msg(187)));
        } else if (m.id == universe::message_citizen_name) {
            if (m.number != number)
                return;
            name->setText(m.rc == 0 ? QString::fromStdString(m.name) : QString::fromUtf8(msg(187)));
            resolved = name->text().toUtf8().toStdString();
        }
    }

    void apply() override
    {
        settle_number();
        bool on = apply_for->isChecked() && number != 0;
        std::string entered = password->text().toUtf8().toStdString();
        // Logging in again is only needed when the application changed.
        bool changed = (profile_int("privilege", "privilege") == 1) != on ||
                       profile_int("privilege", "id") != static_cast<int>(number) ||
                       profile_encrypted_string("privilege", "password") != entered;
        profile_set_int("privilege", "privilege", on ? 1 : 0);
        profile_set_int("privilege", "id", static_cast<int>(number));
        profile_set_string("privilege", "name", name->text().toUtf8().constData());
        profile_set_encrypted_string("privilege", "password", entered.c_str());
        if (changed)
            universe_relogin();
    }

private:
    void look_up()
    {
        looked_up = name->text().toUtf8().toStdString();
        if (looked_up.empty() || looked_up == msg(187))
            return;
        pending = universe_get_citizen_number(looked_up.c_str()) == 0;
    }

    // The number saved must be the one of the name shown: a name typed
    // since the last answer is looked up, and its answer waited for.
    void settle_number()
    {
        std::string typed = name->text().toUtf8().toStdString();
        if (typed == resolved)
            return;
        if (!pending || looked_up != typed)
            look_up();
        // Answers to names typed before this one may come first.
        for (int i = 0; pending && i < 4; ++i)
            universe_wait(universe::message_citizen_number);
        if (typed != resolved)
            number = 0;
    }

    QCheckBox* apply_for;
    QLineEdit* name;
    QLineEdit* password;
    uint32_t number = 0;
    std::string resolved;   // the name whose number is known
    std::string looked_up;  // the name last asked for
    bool pending = false;   // its answer has not come yet
};

QPointer<privilege_page> open_page;

}  // namespace

sheet_page* privilege_page_create()
{
    auto* page = new privilege_page;
    open_page = page;
    return page;
}

void privilege_page_answer(const universe_message& message)
{
    if (open_page)
        open_page->answer(message);
}
