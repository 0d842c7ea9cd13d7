#include "render/camera.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "render/change.h"
#include "render/gl.h"
#include "render/raster.h"
#include "render/render.h"

struct rw_camera {
    int width = 0;
    int height = 0;
    GLuint framebuffer = 0;
    GLuint image = 0;
    GLuint depth = 0;
    glm::mat4 frame{1.0f};
    int viewport[4] = {0, 0, 0, 0};
    float half_width = 1.0f;
    float half_height = 1.0f;
    float near = 0.025f;
    float far = 1000.0f;
    glm::vec3 background{0.0f};
    const rw_raster* backdrop = nullptr;
    bool backdrop_changed = false;
    GLuint backdrop_texture = 0;
    int backdrop_offset[2] = {0, 0};
    int backdrop_rect[4] = {0, 0, 0, 0};
    bool updating = false;
};

namespace {

void release(rw_camera* c)
{
    rw_gl_forget(rw_gl_framebuffer, c->framebuffer);
    rw_gl_forget(rw_gl_texture, c->image);
    rw_gl_forget(rw_gl_renderbuffer, c->depth);
    rw_gl_forget(rw_gl_texture, c->backdrop_texture);
}

void draw_backdrop(rw_camera* c)
{
    const rw_raster* r = c->backdrop;
    if (!r || c->backdrop_rect[2] <= 0 || c->backdrop_rect[3] <= 0)
        return;
    if (!c->backdrop_texture || c->backdrop_changed) {
        if (!c->backdrop_texture)
            glGenTextures(1, &c->backdrop_texture);
        glBindTexture(GL_TEXTURE_2D, c->backdrop_texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rw_raster_width(r), rw_raster_height(r), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, rw_raster_pixels(r));
        c->backdrop_changed = false;
    }
    const rw_gl_backdrop_program& p = rw_gl_backdrop();
    // Window coordinates count up from the bottom of the image.
    int vx = c->viewport[0], vy = c->height - c->viewport[1] - c->viewport[3];
    int rx = vx + c->backdrop_rect[0];
    int ry = vy + c->viewport[3] - c->backdrop_rect[1] - c->backdrop_rect[3];
    glEnable(GL_SCISSOR_TEST);
    glScissor(std::max(rx, vx), std::max(ry, vy),
              std::max(0, std::min(rx + c->backdrop_rect[2], vx + c->viewport[2]) - std::max(rx, vx)),
              std::max(0, std::min(ry + c->backdrop_rect[3], vy + c->viewport[3]) - std::max(ry, vy)));
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glUseProgram(p.program);
    glUniform2f(p.origin, static_cast<float>(rx + c->backdrop_offset[0]),
                static_cast<float>(ry + c->backdrop_rect[3] - c->backdrop_offset[1]));
    glUniform2f(p.size, static_cast<float>(rw_raster_width(r)), static_cast<float>(rw_raster_height(r)));
    glUniform1i(p.sampler, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, c->backdrop_texture);
    glBindSampler(0, rw_gl_sampler(0, 0, 0));
    glBindVertexArray(rw_gl_empty_vertex_array());
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glDepthMask(GL_TRUE);
    glDisable(GL_SCISSOR_TEST);
}

}  // namespace

rw_camera* rw_camera_create(int width, int height)
{
    if (!rw_gl_ready()) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &max_size);
    if (width <= 0 || height <= 0 || width > max_size || height > max_size) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    rw_gl_collect();
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    auto* c = new rw_camera;
    c->width = width;
    c->height = height;
    c->viewport[2] = width;
    c->viewport[3] = height;
    c->backdrop_rect[2] = width;
    c->backdrop_rect[3] = height;
    glGenTextures(1, &c->image);
    glBindTexture(GL_TEXTURE_2D, c->image);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glGenRenderbuffers(1, &c->depth);
    glBindRenderbuffer(GL_RENDERBUFFER, c->depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glGenFramebuffers(1, &c->framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, c->framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, c->image, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, c->depth);
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    GLenum error = glGetError();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE || error != GL_NO_ERROR) {
        rw_set_error(error == GL_OUT_OF_MEMORY ? rw_error_memory : rw_error_argument);
        release(c);
        delete c;
        rw_gl_collect();
        return nullptr;
    }
    rw_note_change();
    return c;
}

void rw_camera_destroy(rw_camera* camera)
{
    if (!camera)
        return;
    release(camera);
    delete camera;
}

int rw_camera_width(const rw_camera* camera)
{
    return camera->width;
}

int rw_camera_height(const rw_camera* camera)
{
    return camera->height;
}

void rw_camera_set_view(rw_camera* camera, const glm::vec3& position, const glm::vec3& forward,
                        const glm::vec3& up)
{
    if (!(glm::length(forward) > 0.0f))
        return;
    glm::vec3 back = -glm::normalize(forward);
    glm::vec3 right = glm::cross(up, back);
    if (!(glm::length(right) > 1e-6f)) {
        // Looking straight along the up direction: any right angle serves.
        right = glm::cross(std::fabs(back.y) < 0.9f ? glm::vec3(0, 1, 0) : glm::vec3(1, 0, 0), back);
    }
    right = glm::normalize(right);
    glm::vec3 true_up = glm::cross(back, right);
    rw_assign(camera->frame, glm::mat4(glm::vec4(right, 0), glm::vec4(true_up, 0),
                                       glm::vec4(back, 0), glm::vec4(position, 1)));
}

void rw_camera_point_at(rw_camera* camera, const glm::vec3& target, const glm::vec3& up)
{
    rw_camera_set_view(camera, rw_camera_position(camera), target - rw_camera_position(camera), up);
}

glm::vec3 rw_camera_position(const rw_camera* camera)
{
    return glm::vec3(camera->frame[3]);
}

glm::vec3 rw_camera_forward(const rw_camera* camera)
{
    return -glm::vec3(camera->frame[2]);
}

glm::mat4 rw_camera_matrix(const rw_camera* camera)
{
    return camera->frame;
}

void rw_camera_set_matrix(rw_camera* camera, const glm::mat4& matrix)
{
    rw_assign(camera->frame, matrix);
}

void rw_camera_set_viewport(rw_camera* camera, int x, int y, int width, int height)
{
    x = std::clamp(x, 0, camera->width);
    y = std::clamp(y, 0, camera->height);
    rw_assign(camera->viewport[0], x);
    rw_assign(camera->viewport[1], y);
    rw_assign(camera->viewport[2], std::clamp(width, 0, camera->width - x));
    rw_assign(camera->viewport[3], std::clamp(height, 0, camera->height - y));
}

void rw_camera_viewport(const rw_camera* camera, int* x, int* y, int* width, int* height)
{
    *x = camera->viewport[0];
    *y = camera->viewport[1];
    *width = camera->viewport[2];
    *height = camera->viewport[3];
}

void rw_camera_set_view_window(rw_camera* camera, float half_width, float half_height)
{
    if (half_width > 0.0f && half_height > 0.0f) {
        rw_assign(camera->half_width, half_width);
        rw_assign(camera->half_height, half_height);
    }
}

void rw_camera_view_window(const rw_camera* camera, float* half_width, float* half_height)
{
    *half_width = camera->half_width;
    *half_height = camera->half_height;
}

void rw_camera_set_near(rw_camera* camera, float distance)
{
    if (distance > 0.0f && distance < camera->far)
        rw_assign(camera->near, distance);
}

void rw_camera_set_far(rw_camera* camera, float distance)
{
    if (distance > camera->near)
        rw_assign(camera->far, distance);
}

void rw_camera_set_background(rw_camera* camera, float red, float green, float blue)
{
    rw_assign(camera->background, glm::clamp(glm::vec3(red, green, blue), 0.0f, 1.0f));
}

void rw_camera_set_backdrop(rw_camera* camera, const rw_raster* raster)
{
    camera->backdrop = raster;
    camera->backdrop_changed = true;
    rw_note_change();
}

void rw_camera_set_backdrop_offset(rw_camera* camera, int x, int y)
{
    rw_assign(camera->backdrop_offset[0], x);
    rw_assign(camera->backdrop_offset[1], y);
}

void rw_camera_set_backdrop_rect(rw_camera* camera, int x, int y, int width, int height)
{
    rw_assign(camera->backdrop_rect[0], x);
    rw_assign(camera->backdrop_rect[1], y);
    rw_assign(camera->backdrop_rect[2], width);
    rw_assign(camera->backdrop_rect[3], height);
}

int rw_camera_begin_update(rw_camera* camera)
{
    if (!camera || !rw_gl_ready())
        return 1;
    rw_gl_collect();
    glBindFramebuffer(GL_FRAMEBUFFER, camera->framebuffer);
    int vx = camera->viewport[0];
    int vy = camera->height - camera->viewport[1] - camera->viewport[3];
    glViewport(vx, vy, camera->viewport[2], camera->viewport[3]);
    glEnable(GL_SCISSOR_TEST);
    glScissor(vx, vy, camera->viewport[2], camera->viewport[3]);
    glClearColor(camera->background.r, camera->background.g, camera->background.b, 1.0f);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    draw_backdrop(camera);
    camera->updating = true;
    return 0;
}

void rw_camera_end_update(rw_camera* camera)
{
    if (!camera || !camera->updating)
        return;
    camera->updating = false;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // Other contexts of the group show the image; they see it once flushed.
    glFlush();
}

int rw_camera_read_pixels(rw_camera* camera, uint8_t* rgba)
{
    if (!camera || !rgba || !rw_gl_ready())
        return 1;
    glBindFramebuffer(GL_FRAMEBUFFER, camera->framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    std::vector<uint8_t> rows(static_cast<size_t>(camera->width) * camera->height * 4);
    glReadPixels(0, 0, camera->width, camera->height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    size_t row = static_cast<size_t>(camera->width) * 4;
    for (int y = 0; y < camera->height; ++y)
        std::copy_n(rows.data() + row * (camera->height - 1 - y), row, rgba + row * y);
    return 0;
}

unsigned rw_camera_texture(const rw_camera* camera)
{
    return camera->image;
}

glm::mat4 rw_camera_view_projection(const rw_camera* camera)
{
    float n = camera->near;
    glm::mat4 projection = glm::frustum(-camera->half_width * n, camera->half_width * n,
                                        -camera->half_height * n, camera->half_height * n, n,
                                        camera->far);
    return projection * glm::inverse(camera->frame);
}

int rw_camera_project(const rw_camera* camera, const glm::vec3& point, float* x, float* y)
{
    glm::vec4 clip = rw_camera_view_projection(camera) * glm::vec4(point, 1.0f);
    glm::vec3 local = glm::vec3(glm::inverse(camera->frame) * glm::vec4(point, 1.0f));
    if (clip.w != 0.0f) {
        *x = (clip.x / clip.w * 0.5f + 0.5f) * static_cast<float>(camera->viewport[2]);
        *y = (0.5f - clip.y / clip.w * 0.5f) * static_cast<float>(camera->viewport[3]);
    }
    return local.z < 0.0f ? 1 : 0;
}

void rw_camera_ray(const rw_camera* camera, float x, float y, glm::vec3* origin,
                   glm::vec3* direction)
{
    float w = static_cast<float>(std::max(camera->viewport[2], 1));
    float h = static_cast<float>(std::max(camera->viewport[3], 1));
    glm::vec3 local((2.0f * x / w - 1.0f) * camera->half_width,
                    (1.0f - 2.0f * y / h) * camera->half_height, -1.0f);
    *origin = rw_camera_position(camera);
    *direction = glm::mat3(camera->frame) * local;
}
