#include "render/gl.h"

#include <string>
#include <vector>

#include "render/render.h"

namespace {

const char* model_vertex_shader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 uv;
layout(location = 3) in vec4 model0;
layout(location = 4) in vec4 model1;
layout(location = 5) in vec4 model2;
layout(location = 6) in vec4 model3;
uniform mat4 view_projection;
out vec3 v_normal;
out vec2 v_uv;
void main()
{
    mat4 model = mat4(model0, model1, model2, model3);
    gl_Position = view_projection * model * vec4(position, 1.0);
    v_normal = mat3(model) * normal;
    v_uv = uv;
}
)";

// The fragment shader of clumps, in two forms. Without MASKED (opaque
// materials, most of a scene) it has no discard and no flat colour: the
// depth test can then run before shading, and software renderers skip the
// per-fragment branches. With MASKED it drops the transparent pixels of
// masked textures and draws the highlight's flat colour.
const char* model_fragment_shader = R"(
in vec3 v_normal;
in vec2 v_uv;
uniform vec3 color;
uniform vec2 surface;
uniform float opacity;
uniform bool textured;
uniform bool lit;
uniform vec2 frame;
uniform vec3 light_direction;
uniform float light_brightness;
uniform float ambient_light;
uniform vec4 override_color;
uniform sampler2D sampler;
out vec4 out_color;
void main()
{
#ifdef MASKED
    if (override_color.a > 0.0) {
        out_color = override_color;
        return;
    }
#endif
    vec3 n = normalize(v_normal);
    if (!gl_FrontFacing)
        n = -n;
    float light = surface.x * ambient_light +
                  surface.y * light_brightness * max(dot(n, light_direction), 0.0);
    vec4 base = vec4(color, 1.0);
    if (textured) {
        vec2 t = v_uv;
        // An animated texture shows one square frame of its stack.
        if (frame.y > 1.0)
            t.y = (frame.x + fract(t.y)) / frame.y;
        base = texture(sampler, t);
#ifdef MASKED
        if (base.a < 0.5)
            discard;
#endif
        if (!lit)
            light = 1.0;
    }
    out_color = vec4(base.rgb * light, opacity);
}
)";

const char* backdrop_vertex_shader = R"(#version 330 core
void main()
{
    vec2 corner = vec2(float((gl_VertexID & 1) << 2) - 1.0, float((gl_VertexID & 2) << 1) - 1.0);
    gl_Position = vec4(corner, 0.0, 1.0);
}
)";

const char* backdrop_fragment_shader = R"(#version 330 core
uniform vec2 origin;
uniform vec2 size;
uniform sampler2D sampler;
out vec4 out_color;
void main()
{
    vec2 p = vec2(gl_FragCoord.x - origin.x, origin.y - gl_FragCoord.y);
    out_color = vec4(texture(sampler, p / size).rgb, 1.0);
}
)";

struct gl_state {
    bool ready = false;
    rw_gl_model_program models[rw_gl_model_kinds]{};
    rw_gl_backdrop_program backdrop{};
    GLuint empty_vertex_array = 0;
    GLuint samplers[3][2][2] = {};
    std::vector<GLuint> forgotten[rw_gl_kinds];
};

gl_state state;

// Compiles the source after a first line of its own (the version and any
// definitions).
GLuint compile(GLenum kind, const char* first_line, const char* source)
{
    GLuint shader = glCreateShader(kind);
    const char* parts[2] = {first_line, source};
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        rw_debug("shader: %s", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint link(const char* vertex, const char* fragment, const char* fragment_first_line = "")
{
    GLuint vs = compile(GL_VERTEX_SHADER, "", vertex);
    GLuint fs = compile(GL_FRAGMENT_SHADER, fragment_first_line, fragment);
    if (!vs || !fs) {
        glDeleteShader(vs);
        glDeleteShader(fs);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        rw_debug("program: %s", log);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

int link_model(rw_gl_model_program& m, const char* first_line)
{
    m.program = link(model_vertex_shader, model_fragment_shader, first_line);
    if (!m.program)
        return 1;
    m.view_projection = glGetUniformLocation(m.program, "view_projection");
    m.color = glGetUniformLocation(m.program, "color");
    m.surface = glGetUniformLocation(m.program, "surface");
    m.opacity = glGetUniformLocation(m.program, "opacity");
    m.textured = glGetUniformLocation(m.program, "textured");
    m.lit = glGetUniformLocation(m.program, "lit");
    m.frame = glGetUniformLocation(m.program, "frame");
    m.light_direction = glGetUniformLocation(m.program, "light_direction");
    m.light_brightness = glGetUniformLocation(m.program, "light_brightness");
    m.ambient_light = glGetUniformLocation(m.program, "ambient_light");
    m.override_color = glGetUniformLocation(m.program, "override_color");
    m.sampler = glGetUniformLocation(m.program, "sampler");
    return 0;
}

}  // namespace

int rw_gl_open()
{
    if (state.ready)
        return 0;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    GLint major = 0, minor = 0;
    if (version) {
        glGetIntegerv(GL_MAJOR_VERSION, &major);
        glGetIntegerv(GL_MINOR_VERSION, &minor);
    }
    if (!version || major * 10 + minor < 33) {
        rw_debug("OpenGL 3.3 is needed; the context offers %s", version ? version : "none");
        return 1;
    }
    rw_gl_backdrop_program& b = state.backdrop;
    b.program = link(backdrop_vertex_shader, backdrop_fragment_shader);
    if (link_model(state.models[rw_gl_model_opaque], "#version 330 core\n") != 0 ||
        link_model(state.models[rw_gl_model_masked], "#version 330 core\n#define MASKED\n") != 0 ||
        !b.program)
        return 1;
    b.origin = glGetUniformLocation(b.program, "origin");
    b.size = glGetUniformLocation(b.program, "size");
    b.sampler = glGetUniformLocation(b.program, "sampler");

    const GLint address[3] = {GL_REPEAT, GL_MIRRORED_REPEAT, GL_CLAMP_TO_EDGE};
    for (int a = 0; a < 3; ++a) {
        for (int f = 0; f < 2; ++f) {
            for (int mip = 0; mip < 2; ++mip) {
                GLuint& s = state.samplers[a][f][mip];
                glGenSamplers(1, &s);
                glSamplerParameteri(s, GL_TEXTURE_WRAP_S, address[a]);
                glSamplerParameteri(s, GL_TEXTURE_WRAP_T, address[a]);
                glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, f ? GL_LINEAR : GL_NEAREST);
                glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER,
                                    f ? (mip ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)
                                      : (mip ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST));
            }
        }
    }
    glGenVertexArrays(1, &state.empty_vertex_array);
    state.ready = true;
    return 0;
}

void rw_gl_close()
{
    if (!state.ready)
        return;
    rw_gl_collect();
    for (const rw_gl_model_program& m : state.models)
        glDeleteProgram(m.program);
    glDeleteProgram(state.backdrop.program);
    glDeleteSamplers(12, &state.samplers[0][0][0]);
    glDeleteVertexArrays(1, &state.empty_vertex_array);
    state = gl_state{};
}

int rw_gl_ready()
{
    return state.ready ? 1 : 0;
}

void rw_gl_forget(int kind, GLuint name)
{
    if (name && state.ready && kind >= 0 && kind < rw_gl_kinds)
        state.forgotten[kind].push_back(name);
}

void rw_gl_collect()
{
    void (*remove[rw_gl_kinds])(GLsizei, const GLuint*) = {
        glDeleteTextures, glDeleteBuffers, glDeleteVertexArrays, glDeleteFramebuffers,
        glDeleteRenderbuffers,
    };
    for (int kind = 0; kind < rw_gl_kinds; ++kind) {
        std::vector<GLuint>& names = state.forgotten[kind];
        if (!names.empty())
            remove[kind](static_cast<GLsizei>(names.size()), names.data());
        names.clear();
    }
}

const rw_gl_model_program& rw_gl_model(int kind)
{
    return state.models[kind == rw_gl_model_opaque ? rw_gl_model_opaque : rw_gl_model_masked];
}

const rw_gl_backdrop_program& rw_gl_backdrop()
{
    return state.backdrop;
}

GLuint rw_gl_empty_vertex_array()
{
    return state.empty_vertex_array;
}

GLuint rw_gl_sampler(int address_mode, int filter, int mipmap)
{
    int a = address_mode < 0 || address_mode > 2 ? 0 : address_mode;
    return state.samplers[a][filter ? 1 : 0][mipmap ? 1 : 0];
}
