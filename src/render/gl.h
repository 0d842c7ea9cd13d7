#pragma once
// The library's own view of OpenGL (3.3 core): the entry points, the
// shared programs and samplers, and the deletion of GL objects, which waits
// until the library's context is current again.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <glm/glm.hpp>

// Prepares programs, samplers and shared buffers in the current context;
// 0 on success.
int rw_gl_open();
void rw_gl_close();
// 1 once rw_gl_open has succeeded.
int rw_gl_ready();

// GL objects whose owners went while no context may have been current.
enum rw_gl_kind { rw_gl_texture, rw_gl_buffer, rw_gl_vertex_array, rw_gl_framebuffer,
                  rw_gl_renderbuffer, rw_gl_kinds };
void rw_gl_forget(int kind, GLuint name);
// Deletes what was forgotten; the context must be current.
void rw_gl_collect();

// The programs that draw clumps, and where their inputs are: one for
// opaque materials, one that also drops the transparent pixels of masked
// textures and draws flat colours (override_color; -1 in the other).
enum rw_gl_model_kind { rw_gl_model_opaque, rw_gl_model_masked, rw_gl_model_kinds };
struct rw_gl_model_program {
    GLuint program;
    GLint view_projection;
    GLint color;
    GLint surface;        // ambient, diffuse coefficients
    GLint opacity;
    GLint textured;
    GLint lit;
    GLint frame;          // current frame and frame count of the texture
    GLint light_direction;
    GLint light_brightness;
    GLint ambient_light;
    GLint override_color; // alpha > 0: a flat colour instead of shading
    GLint sampler;
};
const rw_gl_model_program& rw_gl_model(int kind);

// The program that fills a rectangle with a backdrop image.
struct rw_gl_backdrop_program {
    GLuint program;
    GLint origin;  // pixel of the image's top-left corner, window coordinates
    GLint size;    // the image's size in pixels
    GLint sampler;
};
const rw_gl_backdrop_program& rw_gl_backdrop();
// A vertex array with no buffers, for drawing a full-screen triangle.
GLuint rw_gl_empty_vertex_array();

// A sampler for a material's address mode (wrap, mirror, clamp), filtering
// and mipmapping.
GLuint rw_gl_sampler(int address_mode, int filter, int mipmap);

// Writes a message of the library's to standard error, after its prefix.
void rw_debug(const char* format, ...) __attribute__((format(printf, 1, 2)));
