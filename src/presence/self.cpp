#include "presence/self.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <glm/gtc/matrix_transform.hpp>

#include "app/key.h"
#include "app/key_map.h"
#include "app/meter.h"
#include "app/status.h"
#include "assets/scene.h"
#include "base/menu.h"
#include "base/profile.h"
#include "base/tick.h"
#include "behavior/pick.h"
#include "presence/camera.h"
#include "presence/collide.h"
#include "presence/mouse.h"
#include "render/clump.h"
#include "render/scene.h"
#include "world/cell.h"
#include "world/world.h"

namespace {

constexpr double limit_xz = 32764;
constexpr double limit_low = -35;
constexpr double limit_high = 200;
constexpr double default_height = 0.2;
constexpr int vk_clear = 12;
constexpr int command_position = 119;
constexpr int command_altitude = 132;
constexpr int altitude_weight = 13;

struct self_state {
    glm::dvec3 p{0, 8.0, 0};
    float yaw = 0;
    double desired_yaw = 0;  // where turning heads; not brought into range
    glm::dvec3 v{0.0};
    glm::dvec3 target{0.0};  // of a glide
    bool flying = false;
    bool gliding = false;
    bool settling = false;   // the end of a glide, with collision
    bool just_placed = false;
    bool on_ground = false;
    bool turning = false;
    bool shift_latch = false;
    uint32_t last_frame = 0;
    int gesture = 0;
    uint32_t gesture_expiry = 0;
    bool show_position = true;
    status_pane* altitude = nullptr;
    bool force = true;
    int last_cx = 0, last_cz = 0, last_direction = -1;
    std::string last_world;
    char coordinates[32] = "ground zero";
    const char* direction = "N";
    rw_clump* figure = nullptr;  // a stand-in for the user's avatar
    self_title_view title_view = nullptr;
};

self_state state;

bool inside_limits(double x, double y, double z, float yaw)
{
    return std::fabs(x) <= limit_xz && std::fabs(z) <= limit_xz && y >= limit_low &&
           y <= limit_high && std::isfinite(yaw);
}

// A heading from a place's text may be any number: brought into [-180, 180).
float heading(float yaw)
{
    double a = std::fmod(static_cast<double>(yaw) + 180.0, 360.0);
    return static_cast<float>((a < 0 ? a + 360.0 : a) - 180.0);
}

bool down(int key)
{
    return key_query(key) != 0;
}

void show_altitude()
{
    if (!state.altitude)
        return;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f meters", state.p.y * 10);
    status_change(state.altitude, text);
}

// The title: where the user stands and faces, once a world is known.
void show_position()
{
    show_altitude();
    std::string world = world_current_name();
    if (!state.show_position || world.empty())
        return;
    static const char* const words[] = {"N", "NW", "W", "SW", "S", "SE", "E", "NE"};
    int cx = cell_from_world(state.p.x);
    int cz = cell_from_world(state.p.z);
    int direction = ((static_cast<int>(state.yaw) + 18023) % 360) / 45;
    if (!state.force && cx == state.last_cx && cz == state.last_cz &&
        direction == state.last_direction && world == state.last_world)
        return;
    state.force = false;
    state.direction = words[direction];
    char title[160];
    std::snprintf(title, sizeof title, "%s at %s facing %s", world.c_str(), self_coordinates(),
                  state.direction);
    if (state.title_view)
        state.title_view(title);
    state.last_cx = cx;
    state.last_cz = cz;
    state.last_direction = direction;
    state.last_world = world;
}

// The own figure: a plain upright block the size of a person, until
// avatars give it a body.
rw_clump* make_figure()
{
    const float w = 0.025f, d = 0.015f, h = static_cast<float>(default_height) * 0.95f;
    const float v[] = {-w, 0, -d, w, 0, -d, w, h, -d, -w, h, -d,
                       -w, 0, d,  w, 0, d,  w, h, d,  -w, h, d};
    static const int faces[] = {0, 2, 1, 0, 3, 2, 4, 5, 6, 4, 6, 7, 0, 1, 5, 0, 5, 4,
                                3, 7, 6, 3, 6, 2, 0, 4, 7, 0, 7, 3, 1, 2, 6, 1, 6, 5};
    return rw_clump_create(v, 8, faces, 12);
}

void place_self()
{
    if (!state.figure)
        return;
    glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(state.p));
    rw_clump_set_matrix(state.figure,
                        glm::rotate(m, glm::radians(state.yaw), glm::vec3(0.0f, 1.0f, 0.0f)));
}

bool bump(const glm::dvec3& at, const glm::dvec3& direction)
{
    return collide_bump(at.x, at.y, at.z, self_height(),
                        glm::vec3(direction)) != 0;
}

// When neither climbing nor the level step is free, the user slides along
// what blocks: the larger of the step's two horizontal parts first, then
// the other. 1 when one was free.
bool slide(const glm::dvec3& step)
{
    glm::dvec3 along_x{step.x, 0, 0}, along_z{0, 0, step.z};
    bool x_first = std::fabs(step.x) >= std::fabs(step.z);
    for (const glm::dvec3& s : {x_first ? along_x : along_z, x_first ? along_z : along_x}) {
        if ((s.x == 0 && s.z == 0) || bump(state.p + s, s))
            continue;
        state.p = state.p + s;
        if (s.x == 0)
            state.v.x = 0;
        else
            state.v.z = 0;
        return true;
    }
    return false;
}

// Moves by d in sub-steps of at most 0.05 units, stopping at what blocks,
// landing on what is below and climbing steps of up to 0.05 units.
void move_colliding(const glm::dvec3& d, bool down_held)
{
    double most = std::max({std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)});
    int n = 1 + static_cast<int>(std::floor(20 * most));
    glm::dvec3 s = d / static_cast<double>(n);
    state.on_ground = false;
    for (int i = 0; i < n; ++i) {
        glm::dvec3 candidate = state.p + s;
        bool blocked = bump(candidate, s);
        if (!blocked) {
            if (state.gliding || state.just_placed)
                return;
            state.p = candidate;
            continue;
        }
        state.settling = false;
        if (state.gliding || state.just_placed)
            return;
        if (down_held)
            state.flying = false;
        state.v.y = 0;
        if (s.y >= 0)
            return;
        state.on_ground = true;
        if (s.x == 0 && s.z == 0)
            return;
        s.y = 0;
        candidate = state.p + s;
        if (!bump(candidate, s)) {
            if (state.gliding || state.just_placed)
                return;
            state.p = candidate;
            continue;
        }
        if (state.gliding || state.just_placed)
            return;
        for (int k = 0; k < 5; ++k) {
            s.y += 0.01;
            candidate = state.p + s;
            if (!bump(candidate, s)) {
                state.p = candidate;
                return;
            }
        }
        if (!slide({s.x, 0, s.z}))
            state.v.x = state.v.z = 0;
        return;
    }
}

void turn(double amount)
{
    state.desired_yaw += amount * 0.05;
    if (amount > 20 || amount < -20)
        state.turning = true;
    double d = std::fmod(state.desired_yaw - state.yaw, 360.0);
    if (d > 180)
        d -= 360;
    else if (d < -180)
        d += 360;
    double yaw = state.yaw + 0.8 * d;
    if (yaw < -180)
        yaw += 360;
    else if (yaw >= 180)
        yaw -= 360;
    state.yaw = static_cast<float>(yaw);
}

void move(uint32_t dt)
{
    bool shift;
    if (key_held(vk_shift)) {
        shift = true;
        state.shift_latch = true;
    } else {
        shift = state.shift_latch;
        state.shift_latch = false;
    }
    if (pick_selected())
        return;
    double t = std::min<uint32_t>(dt, 750) * 0.001;
    double damp = 1 - 0.6 * t;
    bool guided = state.gliding || state.settling;
    if (down(vk_clear)) {
        state.v = glm::dvec3(0.0);
    } else if (guided) {
        state.v = state.target - state.p;
    } else if (state.flying) {
        state.v *= damp;
    } else {
        state.v.y *= damp;
    }

    int mouse_turn = 0, mouse_forward = 0;
    bool steering = mouse_is_mover() != 0;
    if (steering)
        mouse_steer(&mouse_turn, &mouse_forward);
    double turning = mouse_turn, forward = mouse_forward;
    bool ctrl = down(vk_control);
    if (down(vk_up) || (steering && down(vk_rbutton)))
        forward += 75;
    if (down(vk_down))
        forward -= 75;
    if (ctrl)
        forward *= 4;
    double forward_speed = forward * 0.003, side_speed = 0;
    if (!shift) {
        if (down(vk_left))
            turning += 200;
        if (down(vk_right))
            turning -= 200;
        turn(turning);
    } else {
        if (down(vk_left))
            turning += 75;
        if (down(vk_right))
            turning -= 75;
        if (ctrl)
            turning *= 4;
        side_speed = turning * 0.003;
    }

    double step = 0.3 * t * (ctrl ? 4 : 1);
    if (down(vk_add)) {
        state.v.y += step;
        state.flying = true;
    }
    bool down_held = down(vk_subtract);
    if (down_held)
        state.v.y -= step;

    double a = state.yaw * 0.017453292;
    double tx = std::cos(a) * side_speed + std::sin(a) * forward_speed;
    double tz = std::cos(a) * forward_speed - std::sin(a) * side_speed;
    if (!state.flying && !guided) {
        state.v.x += 0.5 * (tx - state.v.x);
        state.v.z += 0.5 * (tz - state.v.z);
        if (!shift && collide_ground_ready()) {
            state.v.y -= 0.98 * t;
            if (state.on_ground)
                state.v.y *= 0.1;
        }
    } else {
        state.v.x += tx * t;
        state.v.z += tz * t;
    }
    // A drift below 0.01 units a second stops, but not a flight that is
    // gathering speed: at 60 frames a second its first steps are smaller.
    bool pushed = tx != 0 || tz != 0;
    if (!guided && !pushed && std::fabs(state.v.x) < 0.01 && std::fabs(state.v.z) < 0.01)
        state.v.x = state.v.z = 0;

    glm::dvec3 d = state.v * t;
    if (guided) {
        d *= 0.8;
        double m = glm::length(state.v);
        if (m < 0.35) {
            state.settling = true;
            state.gliding = false;
        }
        if (m < 0.05)
            state.settling = false;
    }
    if (!shift && !state.gliding) {
        move_colliding(d, down_held);
    } else {
        state.p = state.p + d;
        if (state.gliding)
            bump(state.p, state.v);
    }
}

}  // namespace

void self_init()
{
    state.p.y = 8.0;
    state.show_position = profile_int("show", "position") != 0;
    if (profile_int("show", "altitude") == 1)
        self_toggle_altitude();
}

void self_update()
{
    uint32_t now = tick_get();
    if (state.gesture_expiry && state.gesture_expiry < now)
        state.gesture = 0, state.gesture_expiry = 0;
    if (state.just_placed)
        key_clear();
    uint32_t dt = now - state.last_frame;
    state.last_frame = now;
    state.turning = false;
    move(dt);
    state.p.x = std::clamp(state.p.x, -limit_xz, limit_xz);
    state.p.z = std::clamp(state.p.z, -limit_xz, limit_xz);
    state.p.y = std::clamp(state.p.y, limit_low, limit_high);
    if (state.just_placed) {
        state.just_placed = false;
        camera_update();
    }
    if (state.p.x == 0 && state.p.z == 0)
        state.p.x = 0.001;
    show_position();
    place_self();
}

void self_set_position(double x, double y, double z, float yaw)
{
    if (!inside_limits(x, y, z, yaw))
        return;
    pick_off();
    state.p = {x, y, z};
    state.yaw = heading(yaw);
    state.desired_yaw = state.yaw;
    state.v = glm::dvec3(0.0);
    state.just_placed = true;
    state.on_ground = true;
    state.gliding = state.settling = false;
    place_self();
}

void self_glide_to(double x, double y, double z, float yaw)
{
    if (!inside_limits(x, y, z, yaw))
        return;
    pick_off();
    state.target = {x, y, z};
    state.desired_yaw = heading(yaw);
    state.gliding = true;
    state.settling = false;
}

void self_position(double* x, double* y, double* z, float* yaw)
{
    *x = state.p.x;
    *y = state.p.y;
    *z = state.p.z;
    *yaw = state.yaw;
}

double self_height()
{
    return default_height;
}

double self_eye_height()
{
    return state.p.y + 0.9 * self_height();
}

double self_speed()
{
    return 10 * std::sqrt(state.v.x * state.v.x + state.v.z * state.v.z);
}

void self_force_position_text()
{
    state.force = true;
}

void self_set_title_view(self_title_view view)
{
    state.title_view = view;
}

int self_is_turning()
{
    return state.turning ? 1 : 0;
}

int self_is_gliding()
{
    return state.gliding ? 1 : 0;
}

int self_flying()
{
    return state.flying ? 1 : 0;
}

void self_set_flying(int flying)
{
    state.flying = flying != 0;
}

const char* self_coordinates()
{
    int cx = cell_from_world(state.p.x);
    int cz = cell_from_world(state.p.z);
    if (cx == 0 && cz == 0)
        std::snprintf(state.coordinates, sizeof state.coordinates, "ground zero");
    else
        std::snprintf(state.coordinates, sizeof state.coordinates, "%d%c %d%c", std::abs(cz),
                      cz < 0 ? 'S' : 'N', std::abs(cx), cx < 0 ? 'E' : 'W');
    return state.coordinates;
}

const char* self_direction()
{
    return state.direction;
}

void self_figure_show()
{
    if (!state.figure)
        state.figure = make_figure();
    if (state.figure && scene_get() && !rw_clump_scene(state.figure))
        rw_scene_add_clump(scene_get(), state.figure);
    place_self();
}

void self_figure_hide()
{
    if (state.figure && rw_clump_scene(state.figure))
        rw_scene_remove_clump(rw_clump_scene(state.figure), state.figure);
}

void self_figure_reset()
{
    self_figure_hide();
    rw_clump_destroy(state.figure);
    state.figure = nullptr;
}

void self_figure_rebuild()
{
    if (camera_third_person())
        self_figure_show();
}

void self_toggle_position()
{
    state.show_position = !state.show_position;
    menu_check(command_position, state.show_position ? 1 : 0);
    profile_set_int("show", "position", state.show_position ? 1 : 0);
    if (!state.show_position) {
        if (state.title_view)
            state.title_view(world_current_name());
        return;
    }
    state.last_direction = -1;
    state.force = true;
    show_position();
}

void self_toggle_altitude()
{
    meter_toggle(&state.altitude, altitude_weight, command_altitude, "altitude");
    show_altitude();
}

void self_set_gesture(int gesture)
{
    state.gesture = gesture;
    state.gesture_expiry = tick_get() + 5000;
}
