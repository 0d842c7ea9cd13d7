#include <gtest/gtest.h>

#include <QCheckBox>
#include <QRadioButton>
#include <QWidget>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/profile.h"
#include "net/privacy.h"
#include "net/privacy_page.h"
#include "net/resolve.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "support/tcp_peer.h"
#include "support/temp_dir.h"
#include "ui/sheet_page.h"

namespace {

using bytes = std::vector<uint8_t>;

class privacy_page : public ::testing::Test {
protected:
    void TearDown() override
    {
        universe_term();
        if (server.joinable())
            server.join();
        resolve_term();
    }

    void settings(const std::string& text)
    {
        dir.write("vireo.ini", "[universe]\nhost=127.0.0.1\nport=" + std::to_string(peer.port()) +
                                   "\n" + text);
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        privacy_init();
        page.reset(privacy_page_create());
    }

    // A universe that takes one connection and answers every log-in on it.
    void serve_logins()
    {
        resolve_init();
        universe_init();
        server = std::thread([this] {
            int fd = peer.accept_one(3000);
            for (bytes length; fd >= 0 && (length = tcp_peer::read(fd, 2, 1000)).size() == 2;) {
                logins.push_back(tcp_peer::read(fd, static_cast<size_t>(length[0] << 8 | length[1])));
                tcp_peer::write(fd, universe_reply(0, universe::message_login,
                                                   {0, 0, 0, 0, 0, 0, 0, 0, 186, 0, 0, 0, 0, 0}));
            }
            if (fd >= 0)
                tcp_peer::close(fd);
        });
    }

    template <typename T>
    T* control(const char* name, const char* text)
    {
        T* c = page->findChild<T*>(name);
        EXPECT_TRUE(c && c->text() == text) << name;
        return c;
    }

    temp_dir dir;
    tcp_peer peer;
    std::thread server;
    std::vector<bytes> logins;
    std::unique_ptr<sheet_page> page;
};

}  // namespace

TEST_F(privacy_page, shows_the_settings_and_writes_them_on_apply)
{
    settings("[privacy]\njoin=7\nverify=2\n");
    EXPECT_EQ(page->objectName(), "620");
    auto* anyone = control<QRadioButton>("join_anyone", "Allow &anyone to join me");
    auto* contacts =
        control<QRadioButton>("join_contacts", "Only allow citizens on my &contact list to join me");
    auto* nobody = control<QRadioButton>("join_nobody", "&Don't allow anyone to join me");
    auto* verify = control<QCheckBox>("verify", "&Verify all join requests");
    auto* hide = control<QCheckBox>("hide_world", "Don't let them see the world I'm currently in");
    ASSERT_TRUE(anyone && contacts && nobody && verify && hide);
    // An unknown mode lets anyone join; a flag is on only when it is 1.
    EXPECT_EQ(privacy_join(), privacy_join_anyone);
    EXPECT_TRUE(anyone->isChecked());
    EXPECT_FALSE(verify->isChecked());
    EXPECT_FALSE(hide->isChecked());

    nobody->setChecked(true);
    contacts->setChecked(true);
    EXPECT_FALSE(nobody->isChecked());
    verify->setChecked(true);
    EXPECT_EQ(profile_int("privacy", "join"), 7);
    page->apply();
    EXPECT_EQ(profile_int("privacy", "join"), 1);
    EXPECT_EQ(profile_int("privacy", "verify"), 1);
    EXPECT_EQ(profile_int("privacy", "hide_world"), 0);
    EXPECT_EQ(privacy_join(), privacy_join_contacts);
    EXPECT_EQ(privacy_verify(), 1);

    settings("[privacy]\njoin=2\nverify=1\nhide_world=1\n");
    EXPECT_TRUE(page->findChild<QRadioButton*>("join_nobody")->isChecked());
    EXPECT_TRUE(page->findChild<QCheckBox*>("verify")->isChecked());
    EXPECT_TRUE(page->findChild<QCheckBox*>("hide_world")->isChecked());
    EXPECT_EQ(privacy_hide_world(), 1);
}

TEST_F(privacy_page, only_a_change_of_the_hidden_world_logs_in_again)
{
    settings("");
    serve_logins();
    // Mode and verify are kept by this program alone: no log-in.
    page->findChild<QRadioButton*>("join_nobody")->setChecked(true);
    page->findChild<QCheckBox*>("verify")->setChecked(true);
    page->apply();
    // The universe hears the new flag through the log-in message, once.
    page->findChild<QCheckBox*>("hide_world")->setChecked(true);
    page->apply();
    page->apply();
    EXPECT_EQ(profile_int("privacy", "hide_world"), 1);
    universe_term();
    server.join();

    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0].front(), universe::request_login);
    EXPECT_EQ(logins[0].back(), 1);
}
