#include "app/main.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "app/automation.h"
#include "app/bps.h"
#include "app/disk.h"
#include "app/display_dialog.h"
#include "app/font.h"
#include "app/fps.h"
#include "app/instance.h"
#include "app/loop.h"
#include "app/main_window.h"
#include "app/os.h"
#include "app/perform.h"
#include "app/status.h"
#include "app/status_window.h"
#include "app/wiring.h"
#include "assets/backdrop.h"
#include "assets/chunk.h"
#include "assets/dloptions.h"
#include "assets/download.h"
#include "assets/download_window.h"
#include "assets/driver.h"
#include "assets/ground.h"
#include "assets/http.h"
#include "assets/image.h"
#include "assets/model.h"
#include "assets/scene.h"
#include "assets/texture.h"
#include "base/clock.h"
#include "base/file.h"
#include "base/log.h"
#include "base/main.h"
#include "base/menu.h"
#include "base/msg.h"
#include "base/msgbox.h"
#include "base/profile.h"
#include "base/random.h"
#include "base/tick.h"
#include "base/version.h"
#include "behavior/color.h"
#include "behavior/pdialog.h"
#include "behavior/pick.h"
#include "behavior/picture.h"
#include "behavior/sign.h"
#include "net/local_server.h"
#include "net/login_window.h"
#include "net/privacy.h"
#include "net/proxy.h"
#include "net/resolve.h"
#include "net/telegram.h"
#include "net/universe.h"
#include "people/avatar.h"
#include "people/balloon.h"
#include "people/chat_window.h"
#include "people/console.h"
#include "people/console_window.h"
#include "people/gesture.h"
#include "people/sndoptions.h"
#include "people/sound.h"
#include "presence/camera.h"
#include "presence/focus.h"
#include "presence/focus_window.h"
#include "presence/mouse.h"
#include "presence/places.h"
#include "presence/self.h"
#include "presence/teleport.h"
#include "render/render.h"
#include "ui/about.h"
#include "ui/advanced.h"
#include "ui/cgi.h"
#include "ui/menu.h"
#include "ui/pdialog_window.h"
#include "ui/tab.h"
#include "ui/toolbar.h"
#include "ui/upgrade.h"
#include "ui/url.h"
#include "ui/viewport.h"
#include "ui/web.h"
#include "world/cell.h"
#include "world/database.h"
#include "world/prop.h"
#include "world/visible.h"
#include "world/world.h"

namespace {

int exit_code = 0;

std::string find_directory()
{
    if (const char* home = std::getenv("VIREO_HOME"); home && *home)
        return QDir(QString::fromLocal8Bit(home)).absolutePath().toStdString();
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string join_arguments(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

// Application-wide set-up before the main window exists: frames run fast
// while the program is active and slowly while it is not.
int init_application()
{
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, [](Qt::ApplicationState s) {
        bool active = s == Qt::ApplicationActive;
        if (active)
            mouse_activate();
        else
            mouse_deactivate();
        loop_set_active(active ? 1 : 0);
    });
    return 1;
}

// Sets up the rendering library and the 3D side: the camera and the scene.
// 0 on success, else the string to end with.
int init_three_d()
{
    if (rw_open("DEBUG:") != 0)
        return 1;
    if (camera_init() != 0)
        return rw_error() == rw_error_memory ? 5 : 6;
    if (scene_init() != 0)
        return 9;
    main_set_three_d_ready(1);
    return 0;
}

// Start-up from the settings file to the first frame. Returns -1 when the
// program is to run its message loop, else the exit code.
int start(const std::string& command_line)
{
    // One program per user and program directory: a later start hands its
    // command line to the running one.
    if (instance_find(command_line.c_str()))
        return 0;

    tick_update();
    random_seed(clock_ms());
    main_set_directory(find_directory().c_str());
    mkdir((std::string(main_directory()) + "/cache").c_str(), 0755);

    if (!profile_init(main_directory(), "/vireo.ini"))
        return main_exit(msg(15));
    log_init(profile_int);
    version_init();

    if (!init_application())
        return main_exit(nullptr);
    if (!os_init())
        return main_exit(msg(135, msg(msg_product)));
    if (!init_instance())
        return main_exit(nullptr);
    instance_listen();
    if (!display_init())
        return main_exit(nullptr);

    if (int r = resolve_init())
        return main_exit(msg(18, r));
    if (int r = about_init())
        return main_exit(msg(151, r));
    if (color_init() != 0)
        return main_exit(msg(30));

    if (local_server_start() != 0)
        std::fprintf(stderr, "vireo: the bundled vireo-server did not start\n");
    universe_init();
    menu_init();
    check_for_new_upgrade();
    advanced_init();
    privacy_init();

    if (login_init() != 0)
        return main_exit(nullptr);

    if (!perform_init(perform_memory()))
        return main_exit(msg(100, msg(msg_product)));
    if (!database_init())
        return main_exit(msg(82));

    download_init();
    download_window_init();
    if (toolbar_init() != 0)
        return main_exit(msg(104));
    if (profile_int("show", "toolbar") == 0) {
        toolbar_show(0);
    } else {
        toolbar_show(1);
        menu_check(129, 1);
    }

    main_set_kiosk(profile_int("special", "kiosk") == 1);

    if (!driver_init())
        return main_exit(msg(1));
    if (int n = init_three_d())
        return main_exit(msg(n));
    if (!font_init())
        return main_exit(msg(14));
    if (viewport_init() != 0)
        return main_exit(msg(205));
    if (tab_init() != 0)
        return main_exit(msg(206));

    status_window_create();
    status_init(status_window_width());
    web_init();
    main_window_focus();

    if (model_init() != 0)
        return main_exit(msg(11));
    if (int r = avatar_init())
        return main_exit(msg(13, r));
    if (cell_init() != 0)
        return main_exit(msg(16));
    if (world_init() != 0)
        return main_exit(msg(102));

    pick_init();
    if (focus_init() != 0)
        return main_exit(msg(21));
    viewport_add_overlay(focus_window_paint);
    if (chat_init() != 0)
        return main_exit(msg(23));
    if (console_init() != 0)
        return main_exit(msg(124));

    proxy_init();
    if (int r = http_init(0))
        return main_exit(msg(186, r));

    main_window_show(profile_int("layout", "maximized") == 1);

    sndoptions_init();
    dloptions_init();
    sound_init();
    self_init();
    balloon_init();
    mouse_init();
    prop_init();
    bps_init();
    fps_init();
    sign_init();
    disk_init();
    gesture_init();
    visible_init();
    picture_init();
    pdialog_init();
    url_init(profile_string("browser", "name"));
    cgi_init(command_line.c_str());
    about_hide();

    if (int n = teleport_init())
        return main_exit(n > 1 ? msg(n) : nullptr);

    cgi_update();
    return -1;
}

}  // namespace

int main_run(int argc, char** argv)
{
    // Every OpenGL context of the program is 3.3 core and shares its
    // objects, so windows can show what the renderer drew.
    driver_set_default_format();
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vireo");
    QApplication::setWindowIcon(QIcon(":/icons/vireo.svg"));
    driver_keep_modules();
    // Qt may have taken its own options out of argv.
    const std::string command_line = join_arguments(argc, argv);

    wiring_init();
    if (automation_init() != 0)
        return 3;

    int code = start(command_line);
    if (code >= 0)
        return code;
    if (!main_quitting()) {
        loop_start();
        QApplication::exec();
    }
    mouse_deactivate();
    return main_exit(nullptr);
}

int main_exit(const char* message)
{
    // The message may sit in a rotating buffer that the shutdown reuses.
    std::string text = message ? message : "";
    loop_stop();
    instance_term();

    avatar_term();
    sound_term();
    prop_term();
    universe_term();
    local_server_term();
    // The world's objects let go of their models, and the download queue
    // of its running transfers, before the fetcher that runs them goes.
    pick_term();
    visible_term();
    ground_clear();
    self_figure_reset();
    download_term();
    http_term();
    disk_term();
    file_term();
    menu_term();
    places_term();
    cgi_term();
    resolve_term();
    cell_term();
    chunk_term();
    telegram_close();
    download_window_term();
    pdialog_window_term();
    pdialog_term();
    world_term();
    web_term();
    image_term();
    url_term();
    console_term();

    if (message) {
        if (!automation_active())
            std::fprintf(stderr, "vireo: %s\n", text.c_str());
        msgbox_show(msg(msg_error), text.c_str(), msgbox_stop, msgbox_ok);
        exit_code = 1;
    }

    model_term();
    texture_reset();
    scene_term();
    backdrop_clear();
    camera_term();
    if (driver_make_current())
        rw_close();
    driver_term();
    if (driver_tried_directdraw())
        profile_set_int("performance", "directdraw", 1);
    status_term();
    main_window_destroy();
    automation_term();
    return exit_code;
}

void main_set_exit_code(int code)
{
    exit_code = code;
}
