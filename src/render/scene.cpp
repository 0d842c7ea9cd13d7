#include "render/scene.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "render/camera.h"
#include "render/change.h"
#include "render/clump_internal.h"
#include "render/gl.h"
#include "render/texture.h"
#include "render/texture_internal.h"

struct rw_scene {
    std::vector<rw_clump*> clumps;
    glm::vec3 light_direction{0.0f, -1.0f, 0.0f};
    float brightness = 1.0f;
    float ambient = 1.0f;
};

// A run of a geometry's triangles that share a material and a polygon tag,
// and so, in every clump that shows the geometry, one texture.
struct rw_submesh {
    GLint first;             // first triangle corner in the vertex buffer
    GLsizei count;           // triangle corners
    GLint first_edge;        // first corner of its polygons' edges
    GLsizei edge_count;      // edge corners, two an edge
    uint32_t material;
    uint32_t first_polygon;  // whose texture the run shows
};

// A geometry in GL: the triangles' corners of every submesh, then the
// polygons' edges (for wireframes, point clouds and the highlight).
struct rw_gpu_geometry {
    GLuint buffer = 0;
    GLuint vertex_array = 0;
    GLint edges = 0;         // where the edges start
    GLsizei edge_count = 0;
    std::vector<rw_submesh> submeshes;
};

rw_geometry::~rw_geometry()
{
    if (gpu) {
        rw_gl_forget(rw_gl_buffer, gpu->buffer);
        rw_gl_forget(rw_gl_vertex_array, gpu->vertex_array);
        delete gpu;
    }
}

namespace {

constexpr int instance_location = 3;

struct corner {
    glm::vec3 position;
    glm::vec3 normal;
    glm::vec2 uv;
};

// One part of one clump to draw: a submesh with its texture and placement.
struct draw_item {
    const rw_geometry* geometry;
    uint32_t submesh;
    rw_texture* texture;
    uint32_t matrix;  // into the frame's matrices
    float depth;      // distance from the camera
};

// Parts drawn in one instanced call when batching.
bool same_run(const draw_item& a, const draw_item& b)
{
    return a.geometry == b.geometry && a.submesh == b.submesh && a.texture == b.texture;
}

// Items [first, last) of a list, drawn together, and the nearest one's depth.
struct run {
    size_t first;
    size_t last;
    float depth;
};

struct render_state {
    GLuint instance_buffer = 0;
    bool batching = true;
    rw_render_stats stats{};
    std::vector<glm::mat4> matrices;
    std::vector<glm::mat4> ordered;
    std::vector<draw_item> opaque;
    std::vector<draw_item> masked;   // opaque but with transparent pixels
    std::vector<draw_item> blended;
    std::vector<run> runs;
    std::vector<draw_item> sorted;
    // Clumps drawn highlighted: their placement and geometry.
    std::vector<std::pair<uint32_t, const rw_geometry*>> selected;
};

render_state state;

// Builds a geometry's vertex buffer: every triangle corner with its normal
// (the polygon's for facet lighting, the vertex's for vertex lighting),
// the triangles sorted into runs of one material and tag.
void prepare(rw_geometry* g)
{
    if (g->gpu)
        return;
    g->gpu = new rw_gpu_geometry;
    size_t triangles = g->triangle_polygon.size();
    std::vector<uint32_t> order(triangles);
    for (uint32_t i = 0; i < triangles; ++i)
        order[i] = i;
    auto key = [g](uint32_t t) {
        const rw_polygon& p = g->polygons[g->triangle_polygon[t]];
        return std::pair<uint32_t, int32_t>(p.material, p.tag);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&key](uint32_t a, uint32_t b) { return key(a) < key(b); });

    // Smooth normals where the model gives none: the mean of the faces'.
    std::vector<glm::vec3> smooth(g->vertices.size(), glm::vec3(0.0f));
    for (const rw_polygon& p : g->polygons) {
        for (uint32_t k = 0; k < p.count; ++k)
            smooth[g->indices[p.first + k]] += p.normal;
    }
    for (size_t i = 0; i < smooth.size(); ++i) {
        if (g->vertices[i].flags & rw_vertex_has_normal)
            smooth[i] = g->vertices[i].normal;
        else if (glm::length(smooth[i]) > 0.0f)
            smooth[i] = glm::normalize(smooth[i]);
    }

    std::vector<corner> corners;
    corners.reserve(triangles * 3);
    auto corner_of = [&](const rw_polygon& p, uint32_t v) {
        bool facet = g->materials[p.material].light_sampling == rw_light_facet;
        return corner{g->vertices[v].position, facet ? p.normal : smooth[v], g->vertices[v].uv};
    };
    for (size_t n = 0; n < triangles; ++n) {
        uint32_t t = order[n];
        const rw_polygon& p = g->polygons[g->triangle_polygon[t]];
        if (n == 0 || key(t) != key(order[n - 1]))
            g->gpu->submeshes.push_back({static_cast<GLint>(corners.size()), 0, 0, 0, p.material,
                                         g->triangle_polygon[t]});
        for (int k = 0; k < 3; ++k)
            corners.push_back(corner_of(p, g->triangles[t * 3 + static_cast<uint32_t>(k)]));
        g->gpu->submeshes.back().count += 3;
    }
    // Each submesh's polygons again, as their outlines: the polygons in
    // the order of their keys, as the submeshes are.
    std::vector<uint32_t> polygons(g->polygons.size());
    for (uint32_t i = 0; i < polygons.size(); ++i)
        polygons[i] = i;
    auto polygon_key = [g](uint32_t i) {
        return std::pair<uint32_t, int32_t>(g->polygons[i].material, g->polygons[i].tag);
    };
    std::stable_sort(polygons.begin(), polygons.end(), [&](uint32_t a, uint32_t b) {
        return polygon_key(a) < polygon_key(b);
    });
    g->gpu->edges = static_cast<GLint>(corners.size());
    size_t next = 0;
    for (rw_submesh& s : g->gpu->submeshes) {
        s.first_edge = static_cast<GLint>(corners.size());
        auto run_key = polygon_key(s.first_polygon);
        for (; next < polygons.size() && polygon_key(polygons[next]) == run_key; ++next) {
            const rw_polygon& p = g->polygons[polygons[next]];
            for (uint32_t k = 0; k < p.count; ++k) {
                corners.push_back(corner_of(p, g->indices[p.first + k]));
                corners.push_back(corner_of(p, g->indices[p.first + (k + 1) % p.count]));
            }
        }
        s.edge_count = static_cast<GLsizei>(corners.size()) - s.first_edge;
    }
    g->gpu->edge_count = static_cast<GLsizei>(corners.size()) - g->gpu->edges;

    glGenVertexArrays(1, &g->gpu->vertex_array);
    glBindVertexArray(g->gpu->vertex_array);
    glGenBuffers(1, &g->gpu->buffer);
    glBindBuffer(GL_ARRAY_BUFFER, g->gpu->buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(corners.size() * sizeof(corner)),
                 corners.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(corner),
                          reinterpret_cast<void*>(offsetof(corner, position)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(corner),
                          reinterpret_cast<void*>(offsetof(corner, normal)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(corner),
                          reinterpret_cast<void*>(offsetof(corner, uv)));
    for (int k = 0; k < 4; ++k) {
        glEnableVertexAttribArray(instance_location + k);
        glVertexAttribDivisor(instance_location + k, 1);
    }
}

// Points the instance attributes at the placements starting at `first`.
void use_placements(size_t first)
{
    glBindBuffer(GL_ARRAY_BUFFER, state.instance_buffer);
    for (int k = 0; k < 4; ++k) {
        glVertexAttribPointer(instance_location + k, 4, GL_FLOAT, GL_FALSE, sizeof(glm::mat4),
                              reinterpret_cast<void*>(first * sizeof(glm::mat4) + k * sizeof(glm::vec4)));
    }
}

struct frustum {
    glm::vec4 planes[6];

    explicit frustum(const glm::mat4& m)
    {
        for (int i = 0; i < 3; ++i) {
            glm::vec4 row(m[0][i], m[1][i], m[2][i], m[3][i]);
            glm::vec4 w(m[0][3], m[1][3], m[2][3], m[3][3]);
            planes[i * 2] = w + row;
            planes[i * 2 + 1] = w - row;
        }
    }

    bool outside(const glm::vec3& lo, const glm::vec3& hi) const
    {
        for (const glm::vec4& p : planes) {
            glm::vec3 v(p.x > 0 ? hi.x : lo.x, p.y > 0 ? hi.y : lo.y, p.z > 0 ? hi.z : lo.z);
            if (p.x * v.x + p.y * v.y + p.z * v.z + p.w < 0.0f)
                return true;
        }
        return false;
    }
};

// A clump that keeps facing the camera: about the vertical only, or fully.
glm::mat4 face_camera(const glm::mat4& ltm, int alignment, const rw_camera* camera)
{
    glm::vec3 position(ltm[3]);
    glm::vec3 toward = rw_camera_position(camera) - position;
    if (alignment == rw_align_z_orient_y)
        toward.y = 0.0f;
    if (!(glm::length(toward) > 1e-6f))
        return ltm;
    glm::vec3 z = glm::normalize(toward);
    glm::vec3 up = alignment == rw_align_z_orient_y ? glm::vec3(0, 1, 0)
                                                    : glm::vec3(rw_camera_matrix(camera)[1]);
    glm::vec3 x = glm::cross(up, z);
    if (!(glm::length(x) > 1e-6f))
        return ltm;
    x = glm::normalize(x);
    glm::vec3 y = glm::cross(z, x);
    return glm::mat4(glm::vec4(x * glm::length(glm::vec3(ltm[0])), 0),
                     glm::vec4(y * glm::length(glm::vec3(ltm[1])), 0),
                     glm::vec4(z * glm::length(glm::vec3(ltm[2])), 0), glm::vec4(position, 1));
}

void collect(rw_clump* c, const rw_camera* camera, const frustum& view)
{
    if (!c->geometry->polygons.empty()) {
        glm::mat4 ltm = rw_clump_ltm(c);
        if (c->axis_alignment != rw_align_none)
            ltm = face_camera(ltm, c->axis_alignment, camera);
        glm::vec3 a, b;
        rw_geometry_box(c->geometry.get(), &a, &b);
        glm::vec3 center = glm::vec3(ltm * glm::vec4((a + b) * 0.5f, 1.0f));
        glm::vec3 half = (b - a) * 0.5f;
        glm::mat3 r(ltm);
        glm::vec3 extent = glm::abs(r[0]) * half.x + glm::abs(r[1]) * half.y + glm::abs(r[2]) * half.z;
        if (view.outside(center - extent, center + extent)) {
            ++state.stats.culled;
        } else {
            rw_geometry* g = c->geometry.get();
            prepare(g);
            auto matrix = static_cast<uint32_t>(state.matrices.size());
            state.matrices.push_back(ltm);
            float depth = glm::length(center - rw_camera_position(camera));
            for (uint32_t s = 0; s < g->gpu->submeshes.size(); ++s) {
                const rw_submesh& m = g->gpu->submeshes[s];
                rw_texture* texture = c->textures[m.first_polygon];
                draw_item item{g, s, texture, matrix, depth};
                if (g->materials[m.material].opacity < 1.0f)
                    state.blended.push_back(item);
                else if (texture && rw_texture_masked(texture))
                    state.masked.push_back(item);
                else
                    state.opaque.push_back(item);
            }
            if (c->render_style == rw_style_selected)
                state.selected.emplace_back(matrix, g);
        }
    }
    for (rw_clump* child : c->children)
        collect(child, camera, view);
}

// Sorts opaque parts into runs that can be drawn together, each run front
// to back, and the runs by their nearest part: near parts fill the depth
// buffer first and hide the pixels of far ones before they are shaded.
void order_front_to_back(std::vector<draw_item>& items)
{
    std::sort(items.begin(), items.end(), [](const draw_item& a, const draw_item& b) {
        if (a.geometry != b.geometry)
            return a.geometry < b.geometry;
        if (a.submesh != b.submesh)
            return a.submesh < b.submesh;
        if (a.texture != b.texture)
            return a.texture < b.texture;
        return a.depth < b.depth;
    });
    state.runs.clear();
    for (size_t i = 0; i < items.size();) {
        size_t last = i + 1;
        while (last < items.size() && same_run(items[last], items[i]))
            ++last;
        state.runs.push_back({i, last, items[i].depth});
        i = last;
    }
    std::sort(state.runs.begin(), state.runs.end(),
              [](const run& a, const run& b) { return a.depth < b.depth; });
    state.sorted.clear();
    for (const run& r : state.runs)
        state.sorted.insert(state.sorted.end(), items.begin() + static_cast<ptrdiff_t>(r.first),
                            items.begin() + static_cast<ptrdiff_t>(r.last));
    items.swap(state.sorted);
}

// Makes a clump program current with the frame's camera and light.
const rw_gl_model_program& use_program(int kind, const glm::mat4& view_projection,
                                       const rw_scene* scene)
{
    const rw_gl_model_program& p = rw_gl_model(kind);
    glUseProgram(p.program);
    glUniformMatrix4fv(p.view_projection, 1, GL_FALSE, &view_projection[0][0]);
    glm::vec3 toward_light = -scene->light_direction;
    glUniform3f(p.light_direction, toward_light.x, toward_light.y, toward_light.z);
    glUniform1f(p.light_brightness, scene->brightness);
    glUniform1f(p.ambient_light, scene->ambient);
    glUniform4f(p.override_color, 0.0f, 0.0f, 0.0f, 0.0f);
    glUniform1i(p.sampler, 0);
    return p;
}

void use_material(const rw_gl_model_program& p, const rw_material& m, rw_texture* texture)
{
    glUniform3f(p.color, m.color.r, m.color.g, m.color.b);
    glUniform2f(p.surface, m.ambient, m.diffuse);
    glUniform1f(p.opacity, m.opacity);
    glUniform1i(p.lit, (m.texture_modes & rw_mode_lit) ? 1 : 0);
    glUniform1i(p.textured, texture ? 1 : 0);
    if (texture) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, rw_texture_gl(texture));
        glBindSampler(0, rw_gl_sampler(m.address_mode, (m.texture_modes & rw_mode_filter) ? 1 : 0,
                                       m.mipmap));
        glUniform2f(p.frame, static_cast<float>(rw_texture_frame(texture)),
                    static_cast<float>(rw_texture_frame_count(texture)));
    }
    if (m.double_sided)
        glDisable(GL_CULL_FACE);
    else
        glEnable(GL_CULL_FACE);
}

// Draws items whose placements were laid out in this order from `first`,
// those of one submesh and texture in one call when batching.
void draw(const rw_gl_model_program& program, const std::vector<draw_item>& items, size_t first)
{
    const rw_geometry* geometry = nullptr;
    const rw_material* material = nullptr;
    rw_texture* texture = nullptr;
    for (size_t i = 0; i < items.size();) {
        const draw_item& item = items[i];
        size_t run = 1;
        if (state.batching) {
            while (i + run < items.size() && same_run(items[i + run], item))
                ++run;
        }
        const rw_submesh& s = item.geometry->gpu->submeshes[item.submesh];
        if (item.geometry != geometry) {
            geometry = item.geometry;
            glBindVertexArray(geometry->gpu->vertex_array);
        }
        const rw_material* m = &geometry->materials[s.material];
        if (m != material || item.texture != texture) {
            material = m;
            texture = item.texture;
            use_material(program, *m, texture);
        }
        use_placements(first + i);
        switch (m->geometry_sampling) {
        case rw_geometry_wireframe:
            glDrawArraysInstanced(GL_LINES, s.first_edge, s.edge_count, static_cast<GLsizei>(run));
            break;
        case rw_geometry_point_cloud:
            glDrawArraysInstanced(GL_POINTS, s.first_edge, s.edge_count, static_cast<GLsizei>(run));
            break;
        default:
            glDrawArraysInstanced(GL_TRIANGLES, s.first, s.count, static_cast<GLsizei>(run));
            break;
        }
        ++state.stats.draw_calls;
        state.stats.instances += static_cast<int>(run);
        i += run;
    }
}

void draw_highlights(const rw_gl_model_program& p, size_t first)
{
    if (state.selected.empty())
        return;
    // Yellow outlines over the polygons, drawn over what is at their depth.
    glUniform4f(p.override_color, 1.0f, 1.0f, 0.0f, 1.0f);
    glDepthFunc(GL_ALWAYS);
    for (size_t i = 0; i < state.selected.size(); ++i) {
        const rw_geometry* g = state.selected[i].second;
        glBindVertexArray(g->gpu->vertex_array);
        use_placements(first + i);
        glDrawArraysInstanced(GL_LINES, g->gpu->edges, g->gpu->edge_count, 1);
        ++state.stats.draw_calls;
    }
    glDepthFunc(GL_LEQUAL);
    glUniform4f(p.override_color, 0.0f, 0.0f, 0.0f, 0.0f);
}

}  // namespace

rw_scene* rw_scene_create()
{
    return new rw_scene;
}

void rw_scene_destroy(rw_scene* scene)
{
    if (!scene)
        return;
    for (rw_clump* c : scene->clumps)
        c->scene = nullptr;
    delete scene;
    rw_note_change();
}

int rw_scene_add_clump(rw_scene* scene, rw_clump* clump)
{
    if (!scene || !clump || clump->parent)
        return 1;
    if (clump->scene == scene)
        return 0;
    if (clump->scene)
        rw_scene_remove_clump(clump->scene, clump);
    clump->scene = scene;
    scene->clumps.push_back(clump);
    rw_note_change();
    return 0;
}

void rw_scene_remove_clump(rw_scene* scene, rw_clump* clump)
{
    if (!scene || !clump || clump->scene != scene)
        return;
    auto& list = scene->clumps;
    list.erase(std::remove(list.begin(), list.end(), clump), list.end());
    clump->scene = nullptr;
    rw_note_change();
}

rw_scene* rw_clump_scene(const rw_clump* clump)
{
    return clump->scene;
}

int rw_scene_clump_count(const rw_scene* scene)
{
    return static_cast<int>(scene->clumps.size());
}

void rw_scene_set_light(rw_scene* scene, const glm::vec3& direction, float brightness)
{
    if (glm::length(direction) > 0.0f)
        rw_assign(scene->light_direction, glm::normalize(direction));
    rw_assign(scene->brightness, brightness);
}

void rw_scene_set_ambient(rw_scene* scene, float brightness)
{
    rw_assign(scene->ambient, brightness);
}

int rw_scene_render(rw_scene* scene, rw_camera* camera)
{
    if (!scene || !camera || !rw_gl_ready())
        return 1;
    state.stats = {};
    state.matrices.clear();
    state.opaque.clear();
    state.masked.clear();
    state.blended.clear();
    state.selected.clear();
    glm::mat4 view_projection = rw_camera_view_projection(camera);
    frustum view(view_projection);
    for (rw_clump* c : scene->clumps)
        collect(c, camera, view);

    order_front_to_back(state.opaque);
    order_front_to_back(state.masked);
    std::stable_sort(state.blended.begin(), state.blended.end(),
                     [](const draw_item& a, const draw_item& b) { return a.depth > b.depth; });

    // Placements in drawing order: opaque parts, masked parts, blended
    // parts, highlights.
    state.ordered.clear();
    for (const auto* list : {&state.opaque, &state.masked, &state.blended}) {
        for (const draw_item& item : *list)
            state.ordered.push_back(state.matrices[item.matrix]);
    }
    for (const auto& [m, g] : state.selected)
        state.ordered.push_back(state.matrices[m]);
    if (state.ordered.empty())
        return 0;

    if (!state.instance_buffer)
        glGenBuffers(1, &state.instance_buffer);
    glBindBuffer(GL_ARRAY_BUFFER, state.instance_buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(state.ordered.size() * sizeof(glm::mat4)),
                 state.ordered.data(), GL_STREAM_DRAW);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);

    draw(use_program(rw_gl_model_opaque, view_projection, scene), state.opaque, 0);
    size_t first = state.opaque.size();
    const rw_gl_model_program& p = use_program(rw_gl_model_masked, view_projection, scene);
    draw(p, state.masked, first);
    first += state.masked.size();
    if (!state.blended.empty()) {
        // Nearer transparent parts go over farther ones, each on its own.
        bool batching = state.batching;
        state.batching = false;
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        draw(p, state.blended, first);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        state.batching = batching;
    }
    draw_highlights(p, first + state.blended.size());

    glDisable(GL_CULL_FACE);
    glBindVertexArray(0);
    glBindSampler(0, 0);
    return 0;
}

int rw_scene_pick(rw_scene* scene, const rw_camera* camera, float x, float y,
                  rw_pick_result* result)
{
    glm::vec3 origin, direction;
    rw_camera_ray(camera, x, y, &origin, &direction);
    return rw_pick_ray(scene->clumps.data(), static_cast<int>(scene->clumps.size()), origin,
                       direction, result);
}

rw_render_stats rw_render_last_stats()
{
    return state.stats;
}

void rw_render_set_batching(int on)
{
    state.batching = on != 0;
}
