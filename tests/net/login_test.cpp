#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/msg.h"
#include "base/profile.h"
#include "base/version.h"
#include "net/citizen.h"
#include "net/login.h"
#include "net/login_window.h"
#include "net/privilege_page.h"
#include "net/resolve.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "people/console.h"
#include "support/tcp_peer.h"
#include "support/temp_dir.h"
#include "ui/about.h"
#include "ui/sheet_page.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes login_reply(int rc, uint32_t number, const std::string& privilege = "")
{
    bytes body = {0, 0, 0, 0, 0, 0, 0, 0, 186, 0,
                  static_cast<uint8_t>(number >> 24), static_cast<uint8_t>(number >> 16),
                  static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number)};
    if (!privilege.empty()) {
        body.push_back(static_cast<uint8_t>(privilege.size()));
        body.insert(body.end(), privilege.begin(), privilege.end());
    }
    return universe_reply(rc, universe::message_login, body);
}

// Answers every log-in with the replies given, one a request.
void serve(tcp_peer& peer, std::vector<bytes> replies, bytes* last_request = nullptr)
{
    int fd = peer.accept_one();
    for (const bytes& reply : replies) {
        bytes length = tcp_peer::read(fd, 2);
        if (length.size() < 2)
            break;
        bytes rest = tcp_peer::read(fd, static_cast<size_t>(length[0] << 8 | length[1]));
        if (last_request)
            *last_request = rest;
        tcp_peer::write(fd, reply);
    }
    tcp_peer::read(fd, 1, 200);
    tcp_peer::close(fd);
}

// What the open dialog's status line says.
std::string status_of(QDialog* d)
{
    auto* status = d->findChild<QLabel*>("status");
    return status ? status->text().toStdString() : "";
}

QLineEdit* edit(QDialog* d, int index)
{
    return d->findChildren<QLineEdit*>()[index];
}

QPushButton* button(QDialog* d, const char* text)
{
    for (QPushButton* b : d->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Runs `act` on the modal dialog once it is up.
void when_open(std::function<void(QDialog*)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(d);
        }
    });
    timer->start(10);
}

class login : public ::testing::Test {
protected:
    void SetUp() override
    {
        write_settings("");
        version_init();
        resolve_init();
        console_term();
    }
    void TearDown() override
    {
        if (script.joinable())
            script.join();
        universe_term();
        resolve_term();
        about_hide();
        citizen_set_name("");
        citizen_set_password("");
        citizen_set_number(0);
    }
    void write_settings(const std::string& more)
    {
        dir.write("vireo.ini", "[universe]\nhost=127.0.0.1\nport=" + std::to_string(peer.port()) +
                                   "\n" + more);
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
    }

    temp_dir dir;
    tcp_peer peer;
    std::thread script;
};

}  // namespace

TEST(login_rules, tourist_names)
{
    EXPECT_EQ(login_tourist_name_fault(" Bob"), 69);
    EXPECT_EQ(login_tourist_name_fault("Bob  Smith"), 69);
    EXPECT_EQ(login_tourist_name_fault("Bob "), 70);
    EXPECT_EQ(login_tourist_name_fault("B"), 72);
    EXPECT_EQ(login_tourist_name_fault(""), 72);
    EXPECT_EQ(login_tourist_name_fault("Bob!"), 68);
    EXPECT_EQ(login_tourist_name_fault("Bob Smith"), 0);
    EXPECT_EQ(login_tourist_name_fault("R2D2"), 0);
}

TEST(login_rules, failure_texts)
{
    EXPECT_STREQ(login_failure_text(13, "Joe"), msg(98));
    EXPECT_STREQ(login_failure_text(400, "Joe"), msg(163));
    EXPECT_NE(std::string(login_failure_text(3, "Joe")).find("There is no citizen with the name \"Joe\""),
              std::string::npos);
    EXPECT_STREQ(login_failure_text(77, "Joe"), "Login failed (reason 77)");
    EXPECT_NE(std::string(login_immigration_failure_text(107, 0, "Joe")).find("\"Joe\" is already in use"),
              std::string::npos);
    EXPECT_STREQ(login_immigration_failure_text(116, 0, "Joe"), msg(74));
    EXPECT_STREQ(login_immigration_failure_text(9, 0, "Joe"),
                 "Internet communication failed during immigration. (reason 9)");
    EXPECT_STREQ(login_immigration_failure_text(9, 1, "Joe"), "Unable to set citizen information (reason 9)");
}

TEST_F(login, a_citizen_from_the_settings_logs_in_and_an_old_clear_password_is_scrambled)
{
    write_settings("[citizen]\nname=Joe\npassword=secret\n");
    universe_init();
    script = std::thread([this] { serve(peer, {login_reply(0, 42)}); });
    about_init();
    EXPECT_EQ(login_init(), 0);
    EXPECT_STREQ(citizen_name(), "Joe");
    EXPECT_EQ(citizen_number(), 42u);
    EXPECT_STREQ(profile_string("citizen", "password"), "");
    EXPECT_STREQ(profile_encrypted_string("citizen", "pass"), "secret");
}

TEST_F(login, a_rejected_privilege_application_still_logs_in_and_says_why)
{
    write_settings("[privilege]\nprivilege=1\nid=7\n");
    profile_set_encrypted_string("privilege", "password", "wrong");
    universe_init();
    bytes sent;
    script = std::thread([this, &sent] {
        serve(peer, {login_reply(universe::result_privilege_password, 42, "Builder")}, &sent);
    });
    uint32_t number = 0;
    EXPECT_EQ(universe_login("Joe", "secret", &number), 0);
    EXPECT_EQ(number, 42u);
    EXPECT_EQ(profile_int("privilege", "privilege"), 0);
    ASSERT_EQ(console_line_count(), 1);
    EXPECT_EQ(std::string(console_line(0)),
              "Building Inspector: Application to acquire privileges of Builder rejected due to "
              "invalid password");
    script.join();
    // The request carried the privilege number 7 and its password.
    std::string request(sent.begin(), sent.end());
    EXPECT_NE(request.find(std::string("\0\0\0\x07\x05wrong", 10)), std::string::npos);
}

TEST_F(login, ten_wrong_passwords_disable_log_in_and_immigration)
{
    universe_init();
    std::vector<bytes> replies(10, login_reply(universe::result_wrong_password, 0));
    script = std::thread([this, replies] { serve(peer, replies); });
    int before = login_failures();
    std::vector<std::string> statuses;
    when_open([&statuses](QDialog* d) {
        edit(d, 0)->setText("Joe");
        edit(d, 1)->setText("guess");
        for (int i = 0; i < 10; ++i) {
            button(d, "OK")->click();
            statuses.push_back(status_of(d));
        }
        button(d, "OK")->click();
        statuses.push_back(status_of(d));
        d->reject();
    });
    EXPECT_EQ(login_dialog(), 1);
    EXPECT_EQ(login_failures(), before + 10);
    ASSERT_EQ(statuses.size(), 11u);
    EXPECT_EQ(statuses[0], msg(98));
    EXPECT_EQ(statuses[10], msg(218));

    // Immigration is refused too, before anything is sent.
    std::string immigration;
    when_open([&immigration](QDialog* d) {
        button(d, "OK")->click();
        immigration = status_of(d);
        d->reject();
    });
    EXPECT_EQ(immigrate(0), 1);
    EXPECT_EQ(immigration, msg(219));
}

TEST_F(login, the_tourist_dialog_names_a_tourist_and_refuses_bad_names)
{
    std::vector<std::string> statuses;
    when_open([&statuses](QDialog* d) {
        for (const char* name : {" Bob", "Bob "}) {
            edit(d, 0)->setText(name);
            button(d, "OK")->click();
            statuses.push_back(status_of(d));
        }
        edit(d, 0)->setText("Bob Smith");
        button(d, "OK")->click();
    });
    EXPECT_EQ(tourist_dialog(), 0);
    EXPECT_EQ(statuses, (std::vector<std::string>{msg(69), msg(70)}));
    EXPECT_STREQ(citizen_name(), "\"Bob Smith\"");
    EXPECT_EQ(citizen_number(), 0u);
    EXPECT_STREQ(profile_string("citizen", "tourist"), "Bob Smith");
}

TEST_F(login, the_privilege_page_finds_the_citizen_and_applies_at_once)
{
    universe_init();
    citizen_set_name("Joe");
    citizen_set_password("pw");
    citizen_set_number(42);
    bytes relogin;
    script = std::thread([this, &relogin] {
        int fd = peer.accept_one();
        auto next = [fd] {
            bytes length = tcp_peer::read(fd, 2);
            return length.size() < 2 ? bytes{}
                                     : tcp_peer::read(fd, static_cast<size_t>(length[0] << 8 | length[1]));
        };
        bytes ask = next();  // 36: the number of "Nobody"
        tcp_peer::write(fd, universe_reply(3, universe::message_citizen_number, {6, 'N', 'o', 'b', 'o', 'd', 'y'}));
        // "Builder" is asked for and the page applied before the answer
        // comes: the apply waits for it, then logs in again (45).
        for (ask = next(); !ask.empty() && ask[0] != universe::request_login; ask = next()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            tcp_peer::write(fd, universe_reply(0, universe::message_citizen_number,
                                               {7, 'B', 'u', 'i', 'l', 'd', 'e', 'r', 0, 0, 0, 7}));
        }
        relogin = ask;
        tcp_peer::write(fd, login_reply(0, 42, "Builder"));
        tcp_peer::read(fd, 1, 200);
        tcp_peer::close(fd);
    });
    std::unique_ptr<sheet_page> page(privilege_page_create());
    auto* check = page->findChild<QCheckBox*>();
    auto edits = page->findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 2);
    auto answer_comes = [] {
        for (int i = 0; i < 200; ++i) {
            universe_update();
            QCoreApplication::processEvents();
            usleep(2000);
        }
    };
    edits[0]->setText("Nobody");
    emit edits[0]->editingFinished();
    answer_comes();
    EXPECT_EQ(edits[0]->text().toStdString(), msg(187));
    edits[0]->setText("Builder");
    emit edits[0]->editingFinished();
    check->setChecked(true);
    edits[1]->setText("priv");
    page->apply();
    script.join();
    EXPECT_EQ(profile_int("privilege", "privilege"), 1);
    EXPECT_EQ(profile_int("privilege", "id"), 7);
    EXPECT_STREQ(profile_encrypted_string("privilege", "password"), "priv");
    ASSERT_FALSE(relogin.empty());
    EXPECT_EQ(relogin[0], universe::request_login);
    std::string sent(relogin.begin(), relogin.end());
    EXPECT_NE(sent.find(std::string("\0\0\0\x07\x04priv", 9)), std::string::npos);
}
