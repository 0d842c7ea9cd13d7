#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "base/log.h"
#include "base/main.h"
#include "base/profile.h"
#include "base/version.h"
#include "net/login.h"
#include "net/resolve.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "support/tcp_peer.h"
#include "support/temp_dir.h"
#include "ui/about.h"
#include "ui/upgrade.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes be32(uint32_t v)
{
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}

// The log-in reply's build values reach the upgrade check through the
// universe, so a scripted server sends them.
class upgrade : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("vireo.ini", "[universe]\nhost=127.0.0.1\nport=" + std::to_string(peer.port()) + "\n");
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        main_set_directory(dir.path().c_str());
        version_init();
        resolve_init();
        universe_init();
    }
    void TearDown() override
    {
        universe_term();
        resolve_term();
        about_hide();
    }

    void builds(uint32_t minimum, uint32_t current)
    {
        bytes body = {0};
        for (const bytes& part : {be32(minimum), be32(current), bytes{0}, be32(5)})
            body.insert(body.end(), part.begin(), part.end());
        std::thread server([this, body] {
            int fd = peer.accept_one();
            tcp_peer::read(fd, 2);
            tcp_peer::read(fd, 60, 100);
            tcp_peer::write(fd, universe_reply(0, universe::message_login, body));
            tcp_peer::read(fd, 1, 100);
            tcp_peer::close(fd);
        });
        uint32_t number = 0;
        universe_login("Joe", "pw", &number);
        server.join();
    }

    // Presses a button of the about dialog once it shows, noting which
    // buttons were there.
    void press(const char* label, std::vector<std::string>* shown)
    {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [this, timer, label, shown] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != "602" || !w->isVisible())
                    continue;
                timer->stop();
                timer->deleteLater();
                // The message shows whole, below the lines above it.
                auto* message = w->findChild<QLabel*>("702");
                message_fits = message && message->geometry().bottom() < w->height() &&
                               message->height() >= message->heightForWidth(message->width());
                for (QPushButton* b : w->findChildren<QPushButton*>())
                    if (!b->isHidden())
                        shown->push_back(b->text().toStdString());
                for (QPushButton* b : w->findChildren<QPushButton*>())
                    if (b->text() == label)
                        b->click();
                return;
            }
        });
        timer->start(10);
    }

    temp_dir dir;
    tcp_peer peer;
    bool message_fits = false;
};

}  // namespace

TEST(upgrade_files, the_upgrader_is_told_where_the_kit_is)
{
    EXPECT_EQ(upgrade_arguments("localhost:5680", 0, 186), "localhost:5680 upgrade/kit186.rtp vireo");
    EXPECT_EQ(upgrade_arguments("h", 1, 7), "h upgrade/beta/kit7.rtp vireo");
}

TEST(upgrade_files, a_new_upgrader_is_put_in_place_and_the_patch_only_with_it)
{
    temp_dir dir;
    main_set_directory(dir.path().c_str());
    dir.write("patchw32.new", "patch");
    check_for_new_upgrade();
    EXPECT_EQ(dir.read("patchw32.new"), "patch");
    EXPECT_NE(access(dir.file("patchw32.dll").c_str(), F_OK), 0);

    dir.write("upgrade", "old");
    dir.write("upgrade.new", "new");
    check_for_new_upgrade();
    EXPECT_EQ(dir.read("upgrade"), "new");
    EXPECT_NE(access(dir.file("upgrade.new").c_str(), F_OK), 0);
    EXPECT_EQ(dir.read("patchw32.dll"), "patch");
    EXPECT_NE(access(dir.file("patchw32.new").c_str(), F_OK), 0);
}

TEST_F(upgrade, the_current_build_goes_on_without_asking)
{
    builds(0, 186);
    about_init();
    EXPECT_EQ(upgrade_check(0), upgrade_continue);
}

TEST_F(upgrade, a_build_below_the_minimum_offers_no_skip_and_cancel_quits)
{
    builds(200, 210);
    about_init();
    std::vector<std::string> shown;
    press("Cancel", &shown);
    EXPECT_EQ(upgrade_check(0), upgrade_quit);
    EXPECT_EQ(shown, (std::vector<std::string>{"OK", "Cancel"}));
    EXPECT_TRUE(message_fits);
}

TEST_F(upgrade, a_newer_build_can_be_skipped)
{
    builds(100, 190);
    about_init();
    std::vector<std::string> shown;
    press("Skip", &shown);
    EXPECT_EQ(upgrade_check(0), upgrade_skip);
    EXPECT_EQ(shown, (std::vector<std::string>{"OK", "Skip", "Cancel"}));
}

TEST_F(upgrade, a_full_system_leaves_only_cancel)
{
    about_init();
    std::vector<std::string> shown;
    press("Cancel", &shown);
    EXPECT_EQ(upgrade_check(universe::result_system_full), upgrade_quit);
    EXPECT_EQ(shown, (std::vector<std::string>{"Cancel"}));
}

TEST_F(upgrade, a_missing_upgrader_is_reported_and_the_program_still_quits)
{
    builds(200, 210);
    about_init();
    static std::vector<std::string> boxes;
    boxes.clear();
    log_set_observer([](const char* text) { boxes.emplace_back(text); });
    std::vector<std::string> shown;
    press("OK", &shown);
    EXPECT_EQ(upgrade_check(0), upgrade_quit);
    log_set_observer(nullptr);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "message box: Vireo: Couldn't find 'upgrade.exe'.");
}
