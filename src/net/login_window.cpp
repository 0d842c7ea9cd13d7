#include "net/login_window.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <pwd.h>
#include <unistd.h>

#include <string>

#include "app/main_window.h"
#include "app/os.h"
#include "base/main.h"
#include "base/msg.h"
#include "base/profile.h"
#include "net/citizen.h"
#include "net/login.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "net/universe_message.h"
#include "ui/about.h"
#include "ui/menu.h"
#include "ui/upgrade.h"

namespace {

constexpr int name_limit = 16;
constexpr int password_limit = 12;
constexpr int email_limit = 50;
constexpr int failure_limit = 10;

int pending_reason = 0;

QString text_of(const char* s)
{
    return QString::fromUtf8(s);
}

std::string utf8(const QLineEdit* edit)
{
    return edit->text().toUtf8().toStdString();
}

QLineEdit* field(QFormLayout* form, const char* label, int limit, bool secret)
{
    auto* edit = new QLineEdit;
    edit->setMaxLength(limit);
    if (secret)
        edit->setEchoMode(QLineEdit::Password);
    form->addRow(label, edit);
    return edit;
}

// The citizen logged in: the new identity, kept as the default when asked.
void become(const std::string& name, const std::string& password, uint32_t number, bool keep)
{
    if (keep) {
        profile_set_string("citizen", "name", name.c_str());
        profile_set_encrypted_string("citizen", "pass", password.c_str());
    }
    citizen_set_name(name.c_str());
    citizen_set_password(password.c_str());
    citizen_set_number(number);
    menu_identity_changed();
}

// A dialog with a form, a status line and a row of buttons.
class form_dialog : public QDialog {
public:
    explicit form_dialog(const char* title) : QDialog(main_window())
    {
        setWindowTitle(title);
        auto* layout = new QVBoxLayout(this);
        form = new QFormLayout;
        layout->addLayout(form);
        status = new QLabel;
        status->setObjectName("status");
        status->setWordWrap(true);
        status->setMinimumWidth(320);
        layout->addWidget(status);
        buttons = new QDialogButtonBox;
        layout->addWidget(buttons);
    }

    void say(const char* text) { status->setText(text_of(text)); }

    QPushButton* button(const char* label, QDialogButtonBox::ButtonRole role)
    {
        return buttons->addButton(label, role);
    }

    QFormLayout* form;
    QLabel* status;
    QDialogButtonBox* buttons;
};

class login_box : public form_dialog {
public:
    login_box() : form_dialog("Enter Vireo as...")
    {
        setObjectName("616");
        name = field(form, "&Name:", name_limit, false);
        password = field(form, "&Password:", password_limit, true);
        make_default = new QCheckBox("&Make this my default identity");
        form->addRow(make_default);
        QPushButton* forgot = button("I &Forgot...", QDialogButtonBox::ActionRole);
        QPushButton* ok = button("OK", QDialogButtonBox::AcceptRole);
        QPushButton* tourist = button("&Tourist...", QDialogButtonBox::ActionRole);
        button("Cancel", QDialogButtonBox::RejectRole);
        ok->setDefault(true);
        connect(forgot, &QPushButton::clicked, this, [this] { forgotten(); });
        connect(ok, &QPushButton::clicked, this, [this] { log_in(); });
        connect(tourist, &QPushButton::clicked, this, [this] {
            if (tourist_dialog() == 0)
                done(QDialog::Accepted);
        });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

        if (citizen_number()) {
            name->setText(text_of(citizen_name()));
            password->setText(text_of(citizen_password()));
        } else {
            name->setText(text_of(profile_string("citizen", "name")));
        }
        if (pending_reason) {
            say(login_failure_text(pending_reason, utf8(name).c_str()));
            make_default->setChecked(true);
            pending_reason = 0;
        } else {
            make_default->setChecked(std::string(profile_string("citizen", "name")).empty());
        }
        if (login_failures() >= failure_limit)
            say(msg(218));
    }

    void password_sent(int rc)
    {
        switch (rc) {
        case 0: say(msg(157)); break;
        case universe::result_no_such_citizen: say(msg(10, utf8(name).c_str())); break;
        case universe::result_email_mismatch: say(msg(199)); break;
        default: say(msg(158, rc)); break;
        }
    }

private:
    void log_in()
    {
        if (login_failures() >= failure_limit) {
            say(msg(218));
            return;
        }
        say(msg(154));
        std::string n = utf8(name), p = utf8(password);
        uint32_t number = 0;
        int rc = universe_login(n.c_str(), p.c_str(), &number);
        if (rc != 0) {
            if (rc == universe::result_wrong_password)
                login_count_failure();
            say(login_failure_text(rc, n.c_str()));
            return;
        }
        become(n, p, number, make_default->isChecked());
        done(QDialog::Accepted);
    }

    void forgotten()
    {
        std::string n = utf8(name);
        if (n.empty()) {
            say(msg(142));
            return;
        }
        std::string title = msg(181);
        const char* address = input_dialog(title.c_str(), msg(182, n.c_str()), "");
        if (!address)
            return;
        std::string email = address;
        say(msg(156));
        int rc = universe_send_password(n.c_str(), email.c_str());
        if (rc == universe::reason_unreachable)
            say(msg(163));
        else if (rc != 0)
            say(msg(158, rc));
    }

    QLineEdit* name;
    QLineEdit* password;
    QCheckBox* make_default;
};

QPointer<login_box> open_login;

// The name the system knows the user by, as a suggestion.
std::string user_name()
{
    if (passwd* pw = getpwuid(getuid()); pw && pw->pw_name)
        return std::string(pw->pw_name).substr(0, 17);
    return {};
}

class tourist_box : public form_dialog {
public:
    tourist_box() : form_dialog("Enter as a tourist")
    {
        setObjectName("614");
        name = field(form, "&Name:", name_limit, false);
        QPushButton* ok = button("OK", QDialogButtonBox::AcceptRole);
        button("Cancel", QDialogButtonBox::RejectRole);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, [this] { choose(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        std::string initial = profile_string("citizen", "tourist");
        name->setText(QString::fromStdString(initial.empty() ? user_name() : initial));
    }

private:
    void choose()
    {
        std::string n = utf8(name);
        if (int fault = login_tourist_name_fault(n.c_str())) {
            say(msg(fault));
            return;
        }
        profile_set_string("citizen", "tourist", n.c_str());
        citizen_set_name(("\"" + n + "\"").c_str());
        citizen_set_password("");
        citizen_set_number(0);
        done(QDialog::Accepted);
    }

    QLineEdit* name;
};

class attributes_box : public form_dialog {
public:
    explicit attributes_box(int mode) : form_dialog(mode ? "Citizen Attributes" : "Immigrate"), mode(mode)
    {
        setObjectName("attributes");
        name = field(form, "&Name:", name_limit, false);
        password = field(form, "&Password:", password_limit, true);
        confirm = field(form, "&Confirm password:", password_limit, true);
        email = field(form, "&Email address:", email_limit, false);
        if (mode == 1)
            privilege = field(form, "P&rivilege password:", password_limit, true);
        ok = button("OK", QDialogButtonBox::AcceptRole);
        button("Cancel", QDialogButtonBox::RejectRole);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, [this] { apply(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        if (mode == 1) {
            name->setText(text_of(citizen_name()));
            password->setText(text_of(citizen_password()));
            confirm->setText(text_of(citizen_password()));
            say(msg(136));
            ok->setEnabled(false);
            int rc = universe_get_attributes(citizen_name(), citizen_password());
            if (rc == universe::reason_unreachable)
                say(msg(163));
            else if (rc != 0)
                say(msg(137, rc));
        }
        if (login_failures() >= failure_limit)
            say(msg(219));
    }

    void attributes(int rc, const char* address, const char* privilege_password)
    {
        if (rc != 0) {
            if (rc == universe::result_no_such_citizen)
                say(msg(10, citizen_name()));
            else if (rc == universe::result_wrong_password)
                say(msg(98));
            else
                say(msg(137, rc));
            return;
        }
        email->setText(text_of(address));
        if (privilege)
            privilege->setText(text_of(privilege_password));
        ok->setEnabled(true);
        say("");
    }

private:
    void apply()
    {
        if (login_failures() >= failure_limit) {
            say(msg(219));
            return;
        }
        std::string n = utf8(name), p = utf8(password), e = utf8(email);
        if (p != utf8(confirm)) {
            say(msg(153));
            return;
        }
        int rc = 0;
        uint32_t number = 0;
        if (mode == 1) {
            say(msg(138));
            std::string old_name = citizen_name(), old_password = citizen_password();
            rc = universe_set_attributes(old_name.c_str(), old_password.c_str(), n.c_str(),
                                         p.c_str(), e.c_str(), privilege ? utf8(privilege).c_str() : "");
            if (rc == 0) {
                if (old_name == profile_string("citizen", "name")) {
                    profile_set_string("citizen", "name", n.c_str());
                    profile_set_encrypted_string("citizen", "pass", p.c_str());
                }
                citizen_set_name(n.c_str());
                citizen_set_password(p.c_str());
                done(QDialog::Accepted);
                return;
            }
        } else {
            say(msg(66));
            rc = universe_immigrate(n.c_str(), p.c_str(), e.c_str());
            if (rc == 0)
                rc = universe_login(n.c_str(), p.c_str(), &number);
            if (rc == 0) {
                become(n, p, number, true);
                done(QDialog::Accepted);
                return;
            }
        }
        if (rc == universe::result_name_taken)
            login_count_failure();
        say(login_immigration_failure_text(rc, mode, n.c_str()));
    }

    int mode;
    QLineEdit* name;
    QLineEdit* password;
    QLineEdit* confirm;
    QLineEdit* email;
    QLineEdit* privilege = nullptr;
    QPushButton* ok;
};

QPointer<attributes_box> open_attributes;

// Keeps the program alive while the splash is up and the universe's
// address is looked up; the splash's answer, or about_none once the address
// is known.
int wait_for_address()
{
    about_clear_answer();
    while (!universe_connected()) {
        if (main_quitting())
            return about_cancel;
        if (about_answer() != about_none)
            return about_answer();
        // Sleeps until an event comes: the lookup's answer or a button.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return about_none;
}

// The session goes on without the universe.
int go_alone()
{
    os_error("%s", msg(79));
    return 0;
}

// Settings written by older releases kept the password in clear.
std::string stored_password()
{
    std::string clear = profile_string("citizen", "password");
    if (!clear.empty()) {
        profile_set_encrypted_string("citizen", "pass", clear.c_str());
        profile_set_string("citizen", "password", "");
        return clear;
    }
    return profile_encrypted_string("citizen", "pass");
}

}  // namespace

int login_init()
{
    about_set_message(msg(77));
    switch (wait_for_address()) {
    case about_cancel:
        return 1;
    case about_skip:
        return go_alone();
    default:
        break;
    }

    std::string password = stored_password();
    std::string name = profile_string("citizen", "name");
    if (name.empty())
        password.clear();
    about_set_message(msg(154));
    uint32_t number = 0;
    int rc = universe_login(name.c_str(), password.c_str(), &number);
    login_window_set_pending(rc);

    int answer = upgrade_check(rc);
    if (answer == upgrade_quit)
        return 2;
    // A closed or full system was shown by the upgrade check; Skip there
    // goes on without the universe.
    if (rc == universe::reason_unreachable || rc == universe::result_system_full)
        return answer == upgrade_skip ? go_alone() : rc;
    if (rc != 0) {
        about_hide();
        return login_dialog();
    }
    if (!name.empty()) {
        about_hide_cancel();
        citizen_set_name(name.c_str());
        citizen_set_password(password.c_str());
        citizen_set_number(number);
        menu_identity_changed();
        return 0;
    }
    about_hide();
    return tourist_dialog();
}

int login_dialog()
{
    login_box box;
    open_login = &box;
    int result = box.exec() == QDialog::Accepted ? 0 : 1;
    open_login = nullptr;
    return result;
}

int tourist_dialog()
{
    bool was_citizen = citizen_number() != 0;
    tourist_box box;
    if (box.exec() != QDialog::Accepted)
        return 1;
    menu_identity_changed();
    if (was_citizen)
        universe_relogin();
    return 0;
}

int immigrate(int mode)
{
    attributes_box box(mode);
    open_attributes = &box;
    int result = box.exec() == QDialog::Accepted ? 0 : 1;
    open_attributes = nullptr;
    return result;
}

const char* input_dialog(const char* title, const char* prompt, const char* text)
{
    static char entered[249];
    QDialog box(main_window());
    box.setObjectName("Enter information");
    box.setWindowTitle(text_of(title));
    auto* layout = new QVBoxLayout(&box);
    auto* label = new QLabel(text_of(prompt));
    label->setWordWrap(true);
    auto* edit = new QLineEdit(text_of(text));
    edit->setMaxLength(250);
    label->setBuddy(edit);
    layout->addWidget(label);
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    if (box.exec() != QDialog::Accepted)
        return nullptr;
    std::string value = utf8(edit).substr(0, sizeof entered - 1);
    value.copy(entered, value.size());
    entered[value.size()] = '\0';
    return entered;
}

void login_window_set_pending(int reason)
{
    pending_reason = reason;
}

void login_window_attributes(const universe_message& message)
{
    if (!open_attributes)
        return;
    std::string email, privilege_password;
    for (const auto& [tag, value] : message.attributes) {
        if (tag == universe::attribute_email)
            email = value;
        else if (tag == universe::attribute_privilege_password)
            privilege_password = value;
    }
    open_attributes->attributes(message.rc, email.c_str(), privilege_password.c_str());
}

void login_window_password_sent(const universe_message& message)
{
    if (open_login)
        open_login->password_sent(message.rc);
}
