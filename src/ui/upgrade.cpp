#include "ui/upgrade.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "base/log.h"
#include "base/main.h"
#include "base/msg.h"
#include "base/msgbox.h"
#include "base/version.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "ui/about.h"

namespace {

// Where upgrade kits are published: the reference server's web host.
constexpr const char* kit_host = "localhost:5680";
constexpr int copy_tries = 30;

int wait_for_answer()
{
    about_clear_answer();
    // Sleeps until an event comes: a button of the box, or a quit.
    while (about_answer() == about_none && !main_quitting())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return main_quitting() ? about_cancel : about_answer();
}

void show_failure(const char* text)
{
    msgbox_show(msg(msg_product), text, msgbox_stop, msgbox_ok);
}

// Starts the upgrader from the program folder; the program then ends
// whether it started or not.
void launch(int beta)
{
    std::string program = std::string(main_directory()) + "/upgrade";
    if (access(program.c_str(), F_OK) != 0) {
        show_failure(msg(54));
        return;
    }
    QStringList args = QString::fromStdString(upgrade_arguments(kit_host, beta, version_build()))
                           .split(' ', Qt::SkipEmptyParts);
    if (log_trace())
        log_write("upgrade: %s", program.c_str());
    if (!QProcess::startDetached(QString::fromStdString(program), args,
                                 QString::fromUtf8(main_directory())))
        show_failure(msg(52, access(program.c_str(), X_OK) == 0 ? 1 : 13));
}

bool replace(const std::string& from, const std::string& to, int tries)
{
    for (int i = 0; i < tries; ++i) {
        std::error_code ec;
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
        if (!ec)
            return true;
        if (i + 1 < tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    }
    return false;
}

}  // namespace

std::string upgrade_arguments(const char* host, int beta, int build)
{
    return std::string(host) + " upgrade/" + (beta ? "beta/" : "") + "kit" + std::to_string(build) +
           ".rtp vireo";
}

int upgrade_check(int login_result)
{
    uint32_t minimum = 0, current = 0;
    int beta = 0;
    universe_check_build(&minimum, &current, &beta);
    auto own = static_cast<uint32_t>(version_build());
    if (own < minimum) {
        about_must_upgrade();
    } else {
        switch (login_result) {
        case 0:
            if (own >= current)
                return upgrade_continue;
            about_should_upgrade();
            break;
        case universe::reason_unreachable:
            about_show(1);
            about_set_message(msg(80, msg(msg_product)));
            break;
        case universe::result_system_full:
            about_show(1);
            about_set_message(msg(222));
            about_hide_skip();
            break;
        default:
            return upgrade_continue;
        }
    }
    switch (wait_for_answer()) {
    case about_skip:
        return upgrade_skip;
    case about_ok:
        launch(beta);
        return upgrade_quit;
    default:
        return upgrade_quit;
    }
}

void check_for_new_upgrade()
{
    std::string dir = main_directory();
    std::string fresh = dir + "/upgrade.new";
    if (access(fresh.c_str(), F_OK) != 0)
        return;
    if (replace(fresh, dir + "/upgrade", copy_tries)) {
        std::error_code ignored;
        std::filesystem::permissions(dir + "/upgrade", std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::remove(fresh.c_str());
    std::string patch = dir + "/patchw32.new";
    if (access(patch.c_str(), F_OK) == 0) {
        replace(patch, dir + "/patchw32.dll", 1);
        std::remove(patch.c_str());
    }
}
