#include "presence/camera.h"

#include <QGuiApplication>
#include <QScreen>

#include <glm/glm.hpp>

#include "assets/driver.h"
#include "base/log.h"
#include "base/profile.h"
#include "base/tick.h"
#include "render/camera.h"
#include "render/render.h"

namespace {

constexpr float near_clip = 0.025f;
constexpr int default_redraw_rate = 60;

struct camera_state {
    rw_camera* camera = nullptr;
    int width = 0;
    int height = 0;
    glm::vec3 background{0.0f, 0.0f, 0.7f};
    bool updating = false;
    // The picture: how many were drawn, when the last one was and the
    // library's change count it showed.
    uint64_t images = 0;
    uint32_t drawn_at = 0;
    unsigned drawn_changes = 0;
    uint32_t redraw_period = 0;  // ms between pictures at the most; 0: no limit
};

camera_state state;

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
    return state.camera ? 0 : 1;
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
    rw_camera_set_background(state.camera, state.background.r, state.background.g,
                             state.background.b);
    rw_camera_set_near(state.camera, near_clip);
    rw_camera_set_viewport(state.camera, 0, 0, w, h);
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
    if (!driver_make_current() || rw_camera_begin_update(state.camera) != 0)
        return;
    state.updating = true;
    state.drawn_changes = changes;
    state.drawn_at = now;
    ++state.images;
}

void camera_end_update()
{
    if (!state.updating)
        return;
    rw_camera_end_update(state.camera);
    state.updating = false;
}

void camera_reset()
{
}

void camera_term()
{
    if (state.camera && driver_make_current())
        rw_camera_destroy(state.camera);
    state.camera = nullptr;
}

void camera_set_color(int red, int green, int blue)
{
    state.background = glm::vec3(red, green, blue) * 0.003921569f;
    if (state.camera)
        rw_camera_set_background(state.camera, state.background.r, state.background.g,
                                 state.background.b);
}

rw_camera* camera_get()
{
    return state.camera;
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
}

void camera_look_down()
{
}

void camera_look_level()
{
}

void camera_track_ahead()
{
}

void camera_track_self(int /*repeat*/)
{
}
