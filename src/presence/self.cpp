#include "presence/self.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <glm/gtc/matrix_transform.hpp>

#include "assets/scene.h"
#include "base/profile.h"
#include "presence/camera.h"
#include "render/clump.h"
#include "render/scene.h"
#include "world/cell.h"
#include "world/world.h"

namespace {

constexpr double limit_xz = 32764;
constexpr double limit_low = -35;
constexpr double limit_high = 200;
constexpr float default_height = 0.2f;

struct self_state {
    double x = 0, y = 8.0, z = 0;
    float yaw = 0;
    double vx = 0, vz = 0;
    bool show_position = true;
    bool force = true;
    int last_cx = 0, last_cz = 0, last_direction = -1;
    std::string last_world;
    char coordinates[32] = "ground zero";
    bool turning = false;
    rw_clump* figure = nullptr;  // a stand-in for the user's avatar
    self_title_view title_view = nullptr;
};

self_state state;

// The title: where the user stands and faces, once a world is known.
void show_position()
{
    std::string world = world_current_name();
    if (!state.show_position || world.empty() || !state.title_view)
        return;
    static const char* const words[] = {"N", "NW", "W", "SW", "S", "SE", "E", "NE"};
    int cx = cell_from_world(state.x);
    int cz = cell_from_world(state.z);
    int direction = ((static_cast<int>(state.yaw) + 18023) % 360) / 45;
    if (!state.force && cx == state.last_cx && cz == state.last_cz &&
        direction == state.last_direction && world == state.last_world)
        return;
    state.force = false;
    if (cx == 0 && cz == 0)
        std::snprintf(state.coordinates, sizeof state.coordinates, "ground zero");
    else
        std::snprintf(state.coordinates, sizeof state.coordinates, "%d%c %d%c", std::abs(cz),
                      cz < 0 ? 'S' : 'N', std::abs(cx), cx < 0 ? 'E' : 'W');
    char title[128];
    std::snprintf(title, sizeof title, "%s at %s facing %s", world.c_str(), state.coordinates,
                  words[direction]);
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
    const float w = 0.025f, d = 0.015f, h = default_height * 0.95f;
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
    glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(state.x, state.y, state.z));
    rw_clump_set_matrix(state.figure,
                        glm::rotate(m, glm::radians(state.yaw), glm::vec3(0.0f, 1.0f, 0.0f)));
}

}  // namespace

void self_init()
{
    state.y = 8.0;
    state.show_position = profile_int("show", "position") != 0;
}

void self_update()
{
    if (state.x == 0 && state.z == 0)
        state.x = 0.001;
    show_position();
    place_self();
}

void self_set_position(double x, double y, double z, float yaw)
{
    if (std::fabs(x) > limit_xz || std::fabs(z) > limit_xz || y < limit_low || y > limit_high)
        return;
    state.x = x;
    state.y = y;
    state.z = z;
    state.yaw = yaw;
    state.vx = state.vz = 0;
}

void self_position(double* x, double* y, double* z, float* yaw)
{
    *x = state.x;
    *y = state.y;
    *z = state.z;
    *yaw = state.yaw;
}

double self_eye_height()
{
    return state.y + 0.9 * default_height;
}

double self_speed()
{
    return 10 * std::sqrt(state.vx * state.vx + state.vz * state.vz);
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
}

void self_toggle_altitude()
{
}

void self_set_gesture(int /*gesture*/)
{
}
