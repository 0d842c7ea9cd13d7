#include "presence/camera.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include <glm/glm.hpp>

#include "assets/driver.h"
#include "base/log.h"
#include "base/menu.h"
#include "base/profile.h"
#include "base/tick.h"
#include "presence/self.h"
#include "render/camera.h"
#include "render/render.h"

namespace {

constexpr float near_clip = 0.025f;
constexpr int default_redraw_rate = 60;
constexpr float pitch_limit = 85.0f;
constexpr float distances[4] = {0.5f, 1.0f, 2.0f, 4.0f};
enum { command_look_up = 124, command_look_down = 125, command_first_person = 126,
       command_third_person = 127, command_look_level = 131 };

struct camera_state {
    rw_camera* camera = nullptr;
    rw_camera* half = nullptr;  // drawn while panning, at half the size
    bool panning = false;
    bool shown_half = false;    // the last picture is the half camera's
    int mode = -1;              // 0 first person, 1 third person
    float pitch = 0;            // degrees; negative looks up
    int distance = 0;
    int width = 0;
    int height = 0;
    glm::vec3 background{0.0f, 0.0f, 0.7f};
    const rw_raster* backdrop = nullptr;
    const rw_raster* half_backdrop = nullptr;
    bool updating = false;
    bool settling = false;      // third person, still catching up with its place
    // The picture: how many were drawn, when the last one was and the
    // library's change count it showed.
    uint64_t images = 0;
    uint32_t drawn_at = 0;
    unsigned drawn_changes = 0;
    uint32_t redraw_period = 0;  // ms between pictures at the most; 0: no limit
};

camera_state state;

void refresh_commands()
{
    bool third = state.mode == 1;
    menu_check(command_third_person, third ? 1 : 0);
    menu_check(command_first_person, third ? 0 : 1);
    menu_enable(command_look_level, !third && state.pitch != 0 ? 1 : 0);
    menu_enable(command_look_up, !third && state.pitch != -pitch_limit ? 1 : 0);
    menu_enable(command_look_down, !third && state.pitch != pitch_limit ? 1 : 0);
}

void prepare(rw_camera* camera, int width, int height, const rw_raster* backdrop)
{
    rw_camera_set_background(camera, state.background.r, state.background.g, state.background.b);
    rw_camera_set_near(camera, near_clip);
    rw_camera_set_viewport(camera, 0, 0, width, height);
    rw_camera_set_backdrop(camera, backdrop);
}

// The half-extent of the view at distance 1: s on the longer side.
void size_view_window(rw_camera* camera, float s)
{
    if (!camera)
        return;
    float w = static_cast<float>(rw_camera_width(camera));
    float h = static_cast<float>(rw_camera_height(camera));
    if (w >= h)
        rw_camera_set_view_window(camera, s, s * h / w);
    else
        rw_camera_set_view_window(camera, s * w / h, s);
}

// The camera this frame draws with.
rw_camera* drawing_camera()
{
    return state.panning && state.half ? state.half : state.camera;
}

}  // namespace

int camera_init()
{
    // Pictures no more often than the display shows them.
    int rate = profile_int("performance", "redraw_rate");
    if (rate < 0)
        rate = default_redraw_rate;
    state.redraw_period = rate > 0 ? static_cast<uint32_t>((1000 + rate - 1) / rate) : 0;
    int width = 200, height = 120;
    camera_resize(&width, &height);
    if (!state.camera)
        return 1;
    camera_track_ahead();
    menu_enable(command_first_person, 1);
    menu_enable(command_third_person, 1);
    return 0;
}

void camera_resize(int* width, int* height)
{
    if (log_trace())
        log_write("camera_resize (%d, %d)", *width, *height);
    int w = *width / 2 * 2 - 4;
    int h = *height / 2 * 2 - 4;
    if (state.camera && w == state.width && h == state.height)
        return;
    if (!driver_make_current())
        return;
    glm::mat4 place(1.0f);
    if (state.camera) {
        place = rw_camera_matrix(state.camera);
        rw_camera_destroy(state.camera);
        state.camera = nullptr;
    }
    rw_camera_destroy(state.half);
    state.half = nullptr;
    // A camera that cannot be made is tried again smaller.
    while (w > 0 && h > 0 && !(state.camera = rw_camera_create(w, h))) {
        w -= 4;
        h -= 4;
        *width -= 4;
        *height -= 4;
    }
    if (!state.camera)
        return;
    state.width = w;
    state.height = h;
    rw_camera_set_matrix(state.camera, place);
    prepare(state.camera, w, h, state.backdrop);
    state.half = rw_camera_create(w / 2, h / 2);
    if (state.half) {
        rw_camera_set_matrix(state.half, place);
        prepare(state.half, w / 2, h / 2, state.half_backdrop);
    } else {
        state.panning = false;
    }
    camera_size_viewwindow();
}

void camera_size_viewwindow()
{
    size_view_window(state.camera, state.mode == 1 ? 0.5f : 1.0f);
    size_view_window(state.half, state.mode == 1 ? 0.5f : 1.0f);
}

int camera_max_width()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size().width() : 0;
}

int camera_max_height()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size().height() : 0;
}

void camera_update()
{
    if (!state.camera)
        return;
    double x, y, z;
    float yaw;
    self_position(&x, &y, &z, &yaw);
    glm::vec3 eye(static_cast<float>(x), static_cast<float>(self_eye_height()),
                  static_cast<float>(z));
    const glm::vec3 up(0.0f, 1.0f, 0.0f);
    state.settling = false;
    if (state.mode == 1) {
        float d = distances[state.distance];
        float a = glm::radians(yaw + 180.0f);
        glm::vec3 target = eye + glm::vec3(std::sin(a) * d, 0.5f * d, std::cos(a) * d);
        glm::vec3 at = rw_camera_position(state.camera);
        at += 0.2f * (target - at);
        state.settling = std::fabs(target.x - at.x) > 1.0f || std::fabs(target.z - at.z) > 1.0f;
        if (glm::length(eye - at) < 1e-6f)
            return;
        glm::vec3 forward = glm::normalize(eye - at);
        for (rw_camera* c : {state.camera, state.half})
            if (c)
                rw_camera_set_view(c, at, forward, up);
        return;
    }
    float a = glm::radians(yaw);
    float p = glm::radians(state.pitch);
    glm::vec3 forward(std::sin(a) * std::cos(p), -std::sin(p), std::cos(a) * std::cos(p));
    for (rw_camera* c : {state.camera, state.half})
        if (c)
            rw_camera_set_view(c, eye, forward, up);
}

void camera_choose()
{
    state.panning = profile_int("performance", "panning") == 1 && state.mode == 0 &&
                    self_is_turning() && state.half;
}

void camera_begin_update()
{
    state.updating = false;
    if (!camera_pending())
        return;
    uint32_t now = tick_get();
    if (state.images > 0 && now - state.drawn_at < state.redraw_period)
        return;
    // Changes made while this picture is drawn go into the next one.
    unsigned changes = rw_changes();
    camera_choose();
    if (!driver_make_current() || rw_camera_begin_update(drawing_camera()) != 0)
        return;
    state.shown_half = drawing_camera() == state.half;
    state.updating = true;
    state.drawn_changes = changes;
    state.drawn_at = now;
    ++state.images;
}

void camera_end_update()
{
    if (!state.updating)
        return;
    rw_camera_end_update(drawing_camera());
    state.updating = false;
}

void camera_reset()
{
}

void camera_term()
{
    if (driver_make_current()) {
        rw_camera_destroy(state.camera);
        rw_camera_destroy(state.half);
    }
    state.camera = nullptr;
    state.half = nullptr;
}

void camera_set_color(int red, int green, int blue)
{
    state.background = glm::vec3(red, green, blue) * 0.003921569f;
    for (rw_camera* c : {state.camera, state.half})
        if (c)
            rw_camera_set_background(c, state.background.r, state.background.g,
                                     state.background.b);
}

void camera_set_backdrops(const rw_raster* main, const rw_raster* half)
{
    state.backdrop = main;
    state.half_backdrop = half;
    if (state.camera)
        rw_camera_set_backdrop(state.camera, main);
    if (state.half)
        rw_camera_set_backdrop(state.half, half);
}

rw_camera* camera_get()
{
    return state.camera;
}

rw_camera* camera_half()
{
    return state.half;
}

rw_camera* camera_shown()
{
    return state.shown_half && state.half ? state.half : state.camera;
}

int camera_third_person()
{
    return state.mode == 1 ? 1 : 0;
}

int camera_settling()
{
    return state.settling ? 1 : 0;
}

int camera_drawing()
{
    return state.updating ? 1 : 0;
}

int camera_pending()
{
    return state.camera && (state.images == 0 || rw_changes() != state.drawn_changes) ? 1 : 0;
}

uint64_t camera_images()
{
    return state.images;
}

int camera_redraw_period()
{
    return static_cast<int>(state.redraw_period);
}

int camera_read_pixels(unsigned char* rgba, int* width, int* height)
{
    if (!state.camera || !driver_make_current())
        return 1;
    *width = state.width;
    *height = state.height;
    return rgba ? rw_camera_read_pixels(state.camera, rgba) : 0;
}

void camera_look_up()
{
    if (state.mode == 1)
        return;
    state.pitch = std::max(state.pitch - 5.0f, -pitch_limit);
    refresh_commands();
}

void camera_look_down()
{
    if (state.mode == 1)
        return;
    state.pitch = std::min(state.pitch + 5.0f, pitch_limit);
    refresh_commands();
}

void camera_look_level()
{
    if (state.mode == 1)
        return;
    state.pitch = 0;
    refresh_commands();
}

void camera_track_ahead()
{
    menu_check(command_first_person, 1);
    if (state.mode == 0)
        return;
    self_figure_hide();
    state.mode = 0;
    camera_size_viewwindow();
    refresh_commands();
}

void camera_track_self(int repeat)
{
    menu_check(command_third_person, 1);
    if (repeat && state.mode == 1) {
        state.distance = (state.distance + 1) % 4;
        return;
    }
    self_figure_show();
    state.mode = 1;
    camera_size_viewwindow();
    refresh_commands();
}
