#include "ui/menu.h"

#include <QAction>
#include <QTimer>

#include <cctype>
#include <string>
#include <vector>

#include "app/bps.h"
#include "app/fps.h"
#include "app/key_map.h"
#include "assets/download_window.h"
#include "base/log.h"
#include "base/main.h"
#include "base/menu.h"
#include "base/profile.h"
#include "behavior/pick.h"
#include "net/citizen.h"
#include "net/login_window.h"
#include "people/avatar.h"
#include "people/gesture.h"
#include "presence/camera.h"
#include "presence/mouse.h"
#include "presence/places.h"
#include "presence/self.h"
#include "presence/teleport.h"
#include "presence/teleport_dialog.h"
#include "ui/about.h"
#include "ui/help.h"
#include "ui/layout.h"
#include "ui/menu_window.h"
#include "ui/sheet.h"
#include "ui/tab.h"
#include "ui/toolbar.h"
#include "ui/web.h"
#include "world/prop.h"
#include "world/visible.h"
#include "world/world.h"
#include "world/world_options_dialog.h"

namespace {

constexpr int first_avatar = 1000;
constexpr int first_special = 251;
constexpr int specials = 3;
constexpr int help_page = 3;

struct avatar_menu {
    std::vector<std::string> names;  // the ordinary avatars' names
    int public_speaker = 0;
    int entries = 0;
    int current = 0;
};

struct menu_state {
    avatar_menu avatars;
};

menu_state state;

int ordinary_count()
{
    return static_cast<int>(state.avatars.names.size());
}

// A menu entry chosen: stored for this world, shown to others.
int choose_avatar(int index)
{
    avatar_menu& a = state.avatars;
    if (index < 0 || index >= a.entries)
        return 1;
    if (index != a.current) {
        a.current = index;
        menu_window_check_avatar(index);
        int number = menu_avatar_number(index, ordinary_count());
        world_set_avatar(number);
        avatar_set_own_type(number);
        self_set_gesture(0);
        gesture_bar_rebuild();
    }
    return 0;
}

void toggle_toolbar()
{
    int shown = toolbar_visible() ? 0 : 1;
    toolbar_show(shown);
    menu_check(129, shown);
    profile_set_int("show", "toolbar", shown);
    layout_update();
}

}  // namespace

void menu_init()
{
    menu_window_create();
    menu_enable(141, 0);
}

int menu_handle(int id)
{
    if (log_trace())
        log_write("menu_handle (%d)", id);
    switch (id) {
    case 101: main_quit(); break;
    case 102: about_show(0); break;
    case 103: sheet_open(); break;
    case 104: world_options_dialog_open(); break;
    case 105: tab_select(help_page); break;
    case 106: teleport_forward(); break;
    case 107:
        if (!main_kiosk())
            teleport_back();
        break;
    case 108: case 109: case 110: case 111: case 112: case 113: case 114: case 115: case 116:
    case 117: case 140:
        pick_command(id);
        break;
    case 118:
        mouse_as_mover();
        pick_off();
        break;
    case 119: self_toggle_position(); break;
    case 120: visible_toggle(); break;
    case 121: fps_toggle(); break;
    case 122: bps_toggle(); break;
    case 123: download_toggle(); break;
    case 124: camera_look_up(); break;
    case 125: camera_look_down(); break;
    case 131: camera_look_level(); break;
    case 126: camera_track_ahead(); break;
    case 127: camera_track_self(1); break;
    case 128: teleport_dialog(nullptr); break;
    case 129: toggle_toolbar(); break;
    case 130: web_toggle(0); break;
    case 132: self_toggle_altitude(); break;
    case 133: prop_toggle_cache(); break;
    case 134: web_back(); break;
    case 135: web_forward(); break;
    case 136: web_stop(); break;
    case 137: web_refresh(); break;
    case 138: web_open_location(); break;
    case 141: login_dialog(); break;
    case 142: immigrate(1); break;
    case 143: immigrate(0); break;
    case 144: teleport_remember(); break;
    case 145: teleport_edit(); break;
    case 148: teleport_home(); break;
    case 149: teleport_set_home(); break;
    case 150: help_open("integrated.html"); break;
    default:
        if (id >= places_first_id)
            return teleport_command(id) ? 0 : 1;
        return choose_avatar(id - first_avatar);
    }
    return 0;
}

int menu_key_command(int code, int selected)
{
    if (selected) {
        switch (code) {
        case vk_prior: return 116;
        case vk_next: return 117;
        case vk_left: return 114;
        case vk_up: return 112;
        case vk_right: return 115;
        case vk_down: return 113;
        case vk_insert: return 109;
        case vk_delete: return 108;
        case vk_add: return 110;
        case vk_subtract: return 111;
        default: return 0;
        }
    }
    switch (code) {
    case vk_prior: return 124;
    case vk_next: return 125;
    case vk_end: return 127;
    case vk_home: return 126;
    default: return 0;
    }
}

int menu_key(int code)
{
    int id = menu_key_command(code, pick_selected());
    if (!id)
        return 0;
    QTimer::singleShot(0, [id] { menu_handle(id); });
    return code == vk_add || code == vk_subtract ? 0 : 1;
}

QAction* menu_action(int id)
{
    return menu_window_action(id);
}

void menu_identity_changed()
{
    menu_enable(141, 1);
    menu_window_citizen(citizen_is_tourist() ? 0 : 1);
}

int menu_avatar_entries(int tourist, int ordinary, int speaker)
{
    return tourist ? 2 : ordinary + (speaker ? specials : 0);
}

int menu_avatar_number(int index, int ordinary)
{
    return index < ordinary ? index : first_special + (index - ordinary);
}

int menu_avatar_index(int number, int ordinary, int entries)
{
    int index = number >= first_special ? ordinary + (number - first_special) : number;
    return index >= 0 && index < entries ? index : -1;
}

void menu_rebuild_avatars(int count, const char* const* names)
{
    avatar_menu& a = state.avatars;
    a.names.clear();
    for (int i = 0; i < count; ++i)
        a.names.emplace_back(names[i] ? names[i] : "");
    for (std::string& name : a.names) {
        if (!name.empty())
            name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    }
    int tourist = citizen_is_tourist();
    a.entries = menu_avatar_entries(tourist, count, a.public_speaker);
    // The special avatars' names follow the ordinary ones.
    std::vector<std::string> shown;
    for (int i = 0; i < a.entries; ++i) {
        std::string name = i < count || (a.public_speaker && !tourist) ? (names[i] ? names[i] : "") : "";
        if (!name.empty())
            name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        shown.push_back(name);
    }
    int stored = world_avatar();
    if (tourist && stored >= 2)
        stored = 0;
    int index = menu_avatar_index(stored, count, a.entries);
    a.current = index < 0 ? 0 : index;
    menu_window_avatars(shown, a.current);
    avatar_set_own_type(menu_avatar_number(a.current, count));
}

void menu_reset_avatars()
{
    state.avatars.names.clear();
    state.avatars.entries = 0;
    state.avatars.current = 0;
    menu_window_avatars({}, -1);
}

void menu_set_public_speaker(int flag)
{
    state.avatars.public_speaker = flag ? 1 : 0;
}

int menu_avatar_current()
{
    return state.avatars.current;
}

int menu_avatar_item_count()
{
    return state.avatars.entries;
}

void menu_location_add(const char* name, int id)
{
    menu_window_location_add(name, id);
}

void menu_locations_clear()
{
    menu_window_locations_clear();
}

QMenuBar* menu_object_bar(QWidget* parent)
{
    return menu_window_object_bar(parent);
}

void menu_term()
{
    if (log_trace())
        log_write("menu_term");
}
