#include "assets/backdrop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include <glm/glm.hpp>

#include "assets/download.h"
#include "assets/image.h"
#include "base/file.h"
#include "base/log.h"
#include "presence/camera.h"
#include "render/camera.h"
#include "render/raster.h"

namespace {

struct backdrop_state {
    std::string name;
    uintptr_t generation = 0;
    rw_raster* raster = nullptr;
    rw_raster* half = nullptr;
};

backdrop_state state;

std::string bmp_path()
{
    return std::string(download_cache_path()) + "/textures/" + state.name + ".bmp";
}

void destroy_rasters()
{
    camera_set_backdrops(nullptr, nullptr);
    rw_raster_destroy(state.raster);
    rw_raster_destroy(state.half);
    state.raster = nullptr;
    state.half = nullptr;
}

// Reads the converted panorama and makes its half-size copy from every
// second pixel of every second row.
void load_backdrop()
{
    if (log_trace())
        log_write("load_backdrop (%s)", state.name.c_str());
    destroy_rasters();
    state.raster = rw_raster_read(bmp_path().c_str());
    if (!state.raster)
        return;
    int w = rw_raster_width(state.raster);
    int h = rw_raster_height(state.raster);
    state.half = rw_raster_create(std::max(w / 2, 1), std::max(h / 2, 1));
    if (state.half) {
        const uint8_t* from = rw_raster_pixels(static_cast<const rw_raster*>(state.raster));
        uint8_t* to = rw_raster_pixels(state.half);
        int hw = rw_raster_width(state.half), hh = rw_raster_height(state.half);
        for (int y = 0; y < hh; ++y)
            for (int x = 0; x < hw; ++x) {
                int sx = std::min(2 * x, w - 1), sy = std::min(2 * y, h - 1);
                const uint8_t* p = from + (static_cast<size_t>(sy) * w + sx) * 4;
                std::copy(p, p + 4, to + (static_cast<size_t>(y) * hw + x) * 4);
            }
    }
    camera_set_backdrops(state.raster, state.half);
}

void converted(void* user, int result, const unsigned char* /*bmp*/, size_t /*size*/)
{
    if (result == 0 && reinterpret_cast<uintptr_t>(user) == state.generation &&
        !state.name.empty())
        load_backdrop();
}

void downloaded(void* user, int result, const unsigned char* data, size_t size)
{
    if (result != download_received || reinterpret_cast<uintptr_t>(user) != state.generation ||
        state.name.empty())
        return;
    image_convert(data, size, bmp_path().c_str(), converted, user);
}

// Places the panorama for one camera: a full turn scrolls it once, and
// looking up moves it down. The half-size camera has its own half-size
// viewport and panorama, so its values come out halved.
void place(rw_camera* camera, const rw_raster* raster)
{
    if (!camera || !raster)
        return;
    int vx, vy, w, h;
    rw_camera_viewport(camera, &vx, &vy, &w, &h);
    glm::vec3 forward = glm::normalize(rw_camera_forward(camera));
    glm::vec3 flat(forward.x, 0.0f, forward.z);
    double theta = 0;
    if (glm::length(flat) > 1e-6f) {
        flat = glm::normalize(flat);
        theta = std::acos(std::clamp(static_cast<double>(flat.z), -1.0, 1.0));
        if (flat.x < 0)
            theta = 2 * M_PI - theta;
    }
    double width = rw_raster_width(raster);
    double height = rw_raster_height(raster);
    int offset = static_cast<int>(width * theta * (-1.0 / (2 * M_PI)));
    float hw, hh;
    rw_camera_view_window(camera, &hw, &hh);
    double y = std::clamp(static_cast<double>(forward.y), -0.999, 0.999);
    int top = static_cast<int>(h / 2.0 - 0.9 * height + 0.5 * h * y / std::sqrt(1 - y * y) / hh);
    rw_camera_set_backdrop_offset(camera, offset, 0);
    rw_camera_set_backdrop_rect(camera, 0, top, w, static_cast<int>(height));
}

}  // namespace

void backdrop_set(const char* name, int length)
{
    std::string wanted = name && length > 0 ? std::string(name, static_cast<size_t>(length)) : "";
    if (wanted == state.name)
        return;
    backdrop_clear();
    if (wanted.empty())
        return;
    if (log_trace())
        log_write("backdrop_set (%s)", wanted.c_str());
    state.name = wanted;
    ++state.generation;
    download_request* request =
        download_file("textures", (wanted + ".jpg").c_str(), 2, downloaded,
                      reinterpret_cast<void*>(state.generation));
    std::string path = bmp_path();
    if (file_exists(path.c_str())) {
        file_touch(path.c_str());
        load_backdrop();
    } else if (request) {
        download_force(request);
    }
}

void backdrop_update()
{
    if (!state.raster)
        return;
    place(camera_get(), state.raster);
    place(camera_half(), state.half);
}

void backdrop_clear()
{
    destroy_rasters();
    state.name.clear();
}
