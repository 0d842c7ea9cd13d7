#include "render/clump.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "render/change.h"
#include "render/clump_internal.h"
#include "render/raster.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/texture.h"

namespace {

glm::vec3 newell_normal(const rw_geometry* c, const uint32_t* idx, uint32_t n)
{
    glm::vec3 normal(0.0f);
    for (uint32_t i = 0; i < n; ++i) {
        const glm::vec3& a = c->vertices[idx[i]].position;
        const glm::vec3& b = c->vertices[idx[(i + 1) % n]].position;
        normal.x += (a.y - b.y) * (a.z + b.z);
        normal.y += (a.z - b.z) * (a.x + b.x);
        normal.z += (a.x - b.x) * (a.y + b.y);
    }
    return normal;
}

// Twice the signed area of the 2-D triangle a, b, c.
float cross2(const glm::vec2& a, const glm::vec2& b, const glm::vec2& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool inside(const glm::vec2& p, const glm::vec2& a, const glm::vec2& b, const glm::vec2& c)
{
    return cross2(a, b, p) >= 0.0f && cross2(b, c, p) >= 0.0f && cross2(c, a, p) >= 0.0f;
}

// Triangles of a polygon whose points, projected on its plane, run
// counter-clockwise: a fan when it is convex, ear clipping otherwise.
void triangulate(rw_geometry* c, uint32_t polygon, const uint32_t* idx, uint32_t n,
                 const glm::vec3& normal)
{
    auto emit = [&](uint32_t a, uint32_t b, uint32_t d) {
        c->triangles.insert(c->triangles.end(), {a, b, d});
        c->triangle_polygon.push_back(polygon);
    };
    if (n == 3) {
        emit(idx[0], idx[1], idx[2]);
        return;
    }
    // Project on the plane of the normal's largest component, keeping the
    // orientation counter-clockwise.
    glm::vec3 an = glm::abs(normal);
    int drop = an.x > an.y ? (an.x > an.z ? 0 : 2) : (an.y > an.z ? 1 : 2);
    int u = (drop + 1) % 3, v = (drop + 2) % 3;
    bool flip = normal[drop] < 0.0f;
    std::vector<glm::vec2> p(n);
    for (uint32_t i = 0; i < n; ++i) {
        const glm::vec3& q = c->vertices[idx[i]].position;
        p[i] = flip ? glm::vec2(q[v], q[u]) : glm::vec2(q[u], q[v]);
    }
    bool convex = true;
    for (uint32_t i = 0; i < n && convex; ++i)
        convex = cross2(p[i], p[(i + 1) % n], p[(i + 2) % n]) >= 0.0f;
    if (convex) {
        for (uint32_t i = 1; i + 1 < n; ++i)
            emit(idx[0], idx[i], idx[i + 1]);
        return;
    }
    std::vector<uint32_t> left(n);
    for (uint32_t i = 0; i < n; ++i)
        left[i] = i;
    while (left.size() > 3) {
        size_t m = left.size();
        bool clipped = false;
        for (size_t i = 0; i < m && !clipped; ++i) {
            uint32_t a = left[(i + m - 1) % m], b = left[i], d = left[(i + 1) % m];
            if (cross2(p[a], p[b], p[d]) <= 0.0f)
                continue;
            bool ear = true;
            for (uint32_t k : left) {
                if (k != a && k != b && k != d && inside(p[k], p[a], p[b], p[d])) {
                    ear = false;
                    break;
                }
            }
            if (ear) {
                emit(idx[a], idx[b], idx[d]);
                left.erase(left.begin() + static_cast<long>(i));
                clipped = true;
            }
        }
        if (!clipped) {
            // Self-intersecting or collinear remains: a fan covers them.
            for (size_t i = 1; i + 1 < left.size(); ++i)
                emit(idx[left[0]], idx[left[i]], idx[left[i + 1]]);
            return;
        }
    }
    emit(idx[left[0]], idx[left[1]], idx[left[2]]);
}

void destroy_tree(rw_clump* c)
{
    for (rw_clump* child : c->children)
        destroy_tree(child);
    for (rw_texture* t : c->textures)
        rw_texture_destroy(t);
    delete c;
}

rw_clump* copy_tree(const rw_clump* c, rw_clump* parent)
{
    auto* copy = new rw_clump(*c);
    copy->parent = parent;
    copy->scene = nullptr;
    copy->world_valid = false;
    for (rw_texture* t : copy->textures)
        rw_texture_add_reference(t);
    for (rw_clump*& child : copy->children)
        child = copy_tree(child, copy);
    return copy;
}

void grow(const rw_clump* c, bool hierarchy, glm::vec3* lo, glm::vec3* hi, bool* any)
{
    glm::vec3 a, b;
    if (rw_geometry_box(c->geometry.get(), &a, &b)) {
        *lo = *any ? glm::min(*lo, a) : a;
        *hi = *any ? glm::max(*hi, b) : b;
        *any = true;
    }
    if (hierarchy) {
        for (const rw_clump* child : c->children)
            grow(child, true, lo, hi, any);
    }
}

void update_world(rw_clump* c)
{
    glm::mat4 ltm = rw_clump_ltm(c);
    if (c->world_valid && ltm == c->world_ltm)
        return;
    const rw_geometry& g = *c->geometry;
    c->world_ltm = ltm;
    c->world_valid = true;
    c->world_vertices.resize(g.vertices.size() * 3);
    for (size_t i = 0; i < g.vertices.size(); ++i) {
        glm::vec4 w = ltm * glm::vec4(g.vertices[i].position, 1.0f);
        c->world_vertices[i * 3] = w.x;
        c->world_vertices[i * 3 + 1] = w.y;
        c->world_vertices[i * 3 + 2] = w.z;
    }
    glm::mat3 normal_matrix = glm::transpose(glm::inverse(glm::mat3(ltm)));
    c->world_normals.resize(g.polygons.size() * 3);
    for (size_t i = 0; i < g.polygons.size(); ++i) {
        glm::vec3 n = normal_matrix * g.polygons[i].normal;
        float len = glm::length(n);
        if (len > 0.0f)
            n /= len;
        c->world_normals[i * 3] = n.x;
        c->world_normals[i * 3 + 1] = n.y;
        c->world_normals[i * 3 + 2] = n.z;
    }
}

}  // namespace

rw_geometry::rw_geometry() = default;

rw_geometry::rw_geometry(const rw_geometry& other)
    : materials(other.materials),
      vertices(other.vertices),
      indices(other.indices),
      polygons(other.polygons),
      triangles(other.triangles),
      triangle_polygon(other.triangle_polygon),
      box_valid(other.box_valid),
      box_min(other.box_min),
      box_max(other.box_max)
{
}

rw_geometry& rw_clump_edit(rw_clump* clump)
{
    if (clump->geometry.use_count() > 1)
        clump->geometry = std::make_shared<rw_geometry>(*clump->geometry);
    rw_note_change();
    return *clump->geometry;
}

int rw_geometry_box(rw_geometry* g, glm::vec3* minimum, glm::vec3* maximum)
{
    if (g->vertices.empty())
        return 0;
    if (!g->box_valid) {
        g->box_min = g->box_max = g->vertices[0].position;
        for (const rw_vertex& v : g->vertices) {
            g->box_min = glm::min(g->box_min, v.position);
            g->box_max = glm::max(g->box_max, v.position);
        }
        g->box_valid = true;
    }
    *minimum = g->box_min;
    *maximum = g->box_max;
    return 1;
}

int rw_clump_world_box(rw_clump* clump, glm::vec3* lo, glm::vec3* hi)
{
    glm::vec3 a, b;
    if (!rw_geometry_box(clump->geometry.get(), &a, &b))
        return 0;
    glm::mat4 m = rw_clump_ltm(clump);
    glm::vec3 center = glm::vec3(m * glm::vec4((a + b) * 0.5f, 1.0f));
    glm::vec3 half = (b - a) * 0.5f;
    glm::mat3 r(m);
    glm::vec3 extent = glm::abs(r[0]) * half.x + glm::abs(r[1]) * half.y + glm::abs(r[2]) * half.z;
    *lo = center - extent;
    *hi = center + extent;
    return 1;
}

uint32_t rw_clump_material_index(rw_clump* clump, const rw_material& material)
{
    rw_geometry& g = rw_clump_edit(clump);
    // Models hold few materials; the last one added is the likeliest match.
    for (size_t i = g.materials.size(); i-- > 0;) {
        if (g.materials[i] == material)
            return static_cast<uint32_t>(i);
    }
    g.materials.push_back(material);
    return static_cast<uint32_t>(g.materials.size() - 1);
}

int rw_clump_add_polygon(rw_clump* clump, const uint32_t* indices, uint32_t count,
                         uint32_t material, int32_t tag)
{
    rw_geometry& g = rw_clump_edit(clump);
    if (count < 3 || material >= g.materials.size())
        return 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (indices[i] >= g.vertices.size())
            return 0;
    }
    glm::vec3 normal = newell_normal(&g, indices, count);
    float len = glm::length(normal);
    if (!(len > 1e-12f))
        return 0;
    normal /= len;
    rw_polygon p;
    p.first = static_cast<uint32_t>(g.indices.size());
    p.count = count;
    p.material = material;
    p.tag = tag;
    p.normal = normal;
    g.indices.insert(g.indices.end(), indices, indices + count);
    g.polygons.push_back(p);
    triangulate(&g, static_cast<uint32_t>(g.polygons.size() - 1), indices, count, normal);
    clump->textures.push_back(nullptr);
    clump->world_valid = false;
    return 1;
}

void rw_clump_adopt(rw_clump* parent, rw_clump* child)
{
    child->parent = parent;
    parent->children.push_back(child);
    rw_note_change();
}

int rw_clump_hierarchy_size(const rw_clump* clump, int* depth)
{
    int count = 1;
    int deepest = 0;
    for (const rw_clump* child : clump->children) {
        int d = 0;
        count += rw_clump_hierarchy_size(child, &d);
        deepest = std::max(deepest, d);
    }
    *depth = deepest + 1;
    return count;
}

void rw_clump_resolve_textures(rw_clump* clump)
{
    const rw_geometry& g = *clump->geometry;
    std::unordered_map<uint32_t, rw_texture*> by_material;
    for (size_t i = 0; i < g.polygons.size(); ++i) {
        if (clump->textures[i])
            continue;
        uint32_t material = g.polygons[i].material;
        const rw_material& m = g.materials[material];
        if (m.texture.empty())
            continue;
        auto [it, added] = by_material.try_emplace(material, nullptr);
        if (added) {
            rw_texture* live = rw_texture_find(m.texture.c_str());
            if (live) {
                rw_texture_add_reference(live);
                it->second = live;
            } else if ((it->second = rw_texture_read_named(m.texture.c_str())) && !m.mask.empty()) {
                if (rw_raster* mask = rw_raster_read_mask(m.mask.c_str())) {
                    rw_texture_mask(it->second, mask);
                    rw_raster_destroy(mask);
                }
            }
        }
        clump->textures[i] = it->second;
        rw_texture_add_reference(it->second);
    }
    for (auto& [material, texture] : by_material)
        rw_texture_destroy(texture);
    for (rw_clump* child : clump->children)
        rw_clump_resolve_textures(child);
}

rw_clump* rw_clump_create(const float* vertices, int vertex_count, const int* triangles,
                          int triangle_count)
{
    if (vertex_count < 0 || triangle_count < 0 || (vertex_count && !vertices) ||
        (triangle_count && !triangles)) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    auto* c = new rw_clump;
    rw_geometry& g = *c->geometry;
    rw_material m;
    m.color = glm::vec3(1.0f);
    m.ambient = 0.5f;
    m.diffuse = 0.5f;
    g.materials.push_back(m);
    for (int i = 0; i < vertex_count; ++i) {
        rw_vertex v;
        v.position = glm::vec3(vertices[i * 3], vertices[i * 3 + 1], vertices[i * 3 + 2]);
        g.vertices.push_back(v);
    }
    for (int i = 0; i < triangle_count; ++i) {
        uint32_t t[3];
        for (int k = 0; k < 3; ++k) {
            int index = triangles[i * 3 + k];
            if (index < 0 || index >= vertex_count) {
                delete c;
                rw_set_error(rw_error_argument);
                return nullptr;
            }
            t[k] = static_cast<uint32_t>(index);
        }
        rw_clump_add_polygon(c, t, 3, 0, 0);
    }
    return c;
}

rw_clump* rw_clump_duplicate(const rw_clump* clump)
{
    return clump ? copy_tree(clump, nullptr) : nullptr;
}

void rw_clump_destroy(rw_clump* clump)
{
    if (!clump)
        return;
    if (clump->scene)
        rw_scene_remove_clump(clump->scene, clump);
    if (rw_clump* parent = clump->parent) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), clump), siblings.end());
        rw_note_change();
    }
    destroy_tree(clump);
}

glm::mat4 rw_clump_matrix(const rw_clump* clump)
{
    return clump->matrix;
}

void rw_clump_set_matrix(rw_clump* clump, const glm::mat4& matrix)
{
    rw_assign(clump->matrix, matrix);
}

glm::mat4 rw_clump_joint(const rw_clump* clump)
{
    return clump->joint;
}

void rw_clump_set_joint(rw_clump* clump, const glm::mat4& joint)
{
    rw_assign(clump->joint, joint);
}

glm::mat4 rw_clump_ltm(const rw_clump* clump)
{
    // Joints turn a clump and what hangs below it about the clump's pivot.
    glm::mat4 m(1.0f);
    for (const rw_clump* c = clump; c; c = c->parent) {
        if (c->parent) {
            if (c->joint != glm::mat4(1.0f))
                m = c->pivot * c->joint * glm::inverse(c->pivot) * m;
        } else {
            m = c->matrix * m;
        }
    }
    return m;
}

rw_clump* rw_clump_parent(const rw_clump* clump)
{
    return clump->parent;
}

rw_clump* rw_clump_root(rw_clump* clump)
{
    while (clump->parent)
        clump = clump->parent;
    return clump;
}

int rw_clump_child_count(const rw_clump* clump)
{
    return static_cast<int>(clump->children.size());
}

rw_clump* rw_clump_child(const rw_clump* clump, int index)
{
    if (index < 0 || index >= static_cast<int>(clump->children.size()))
        return nullptr;
    return clump->children[static_cast<size_t>(index)];
}

rw_clump* rw_clump_for_all(rw_clump* clump, rw_clump_visitor visit, void* user)
{
    if (visit(clump, user))
        return clump;
    for (rw_clump* child : clump->children) {
        if (rw_clump* found = rw_clump_for_all(child, visit, user))
            return found;
    }
    return nullptr;
}

rw_clump* rw_clump_find_tag(rw_clump* clump, int tag)
{
    return rw_clump_for_all(clump, [](rw_clump* c, void* user) {
        return c->tag == *static_cast<int*>(user) ? 1 : 0;
    }, &tag);
}

int rw_clump_tag(const rw_clump* clump)
{
    return clump->tag;
}

int rw_clump_axis_alignment(const rw_clump* clump)
{
    return clump->axis_alignment;
}

int rw_clump_collision(const rw_clump* clump)
{
    return clump->collision;
}

int rw_clump_render_style(const rw_clump* clump)
{
    return clump->render_style;
}

void rw_clump_set_render_style(rw_clump* clump, int style)
{
    rw_assign(clump->render_style, style == rw_style_selected ? int{rw_style_selected} : int{rw_style_normal});
}

int rw_clump_bbox(const rw_clump* clump, int hierarchy, glm::vec3* minimum, glm::vec3* maximum)
{
    bool any = false;
    glm::vec3 lo(0.0f), hi(0.0f);
    grow(clump, hierarchy != 0, &lo, &hi, &any);
    *minimum = lo;
    *maximum = hi;
    return any ? 1 : 0;
}

int rw_clump_vertex_count(const rw_clump* clump)
{
    return static_cast<int>(clump->geometry->vertices.size());
}

int rw_clump_polygon_count(const rw_clump* clump)
{
    return static_cast<int>(clump->geometry->polygons.size());
}

int rw_clump_triangle_count(const rw_clump* clump)
{
    return static_cast<int>(clump->geometry->triangle_polygon.size());
}

int rw_clump_polygon(const rw_clump* clump, int polygon, const uint32_t** indices)
{
    const rw_geometry& g = *clump->geometry;
    const rw_polygon& p = g.polygons[static_cast<size_t>(polygon)];
    *indices = g.indices.data() + p.first;
    return static_cast<int>(p.count);
}

int rw_clump_polygon_tag(const rw_clump* clump, int polygon)
{
    return clump->geometry->polygons[static_cast<size_t>(polygon)].tag;
}

const float* rw_clump_world_vertices(rw_clump* clump)
{
    update_world(clump);
    return clump->world_vertices.data();
}

const float* rw_clump_world_normals(rw_clump* clump)
{
    update_world(clump);
    return clump->world_normals.data();
}

void rw_clump_set_texture(rw_clump* clump, int tag, rw_texture* texture)
{
    const std::vector<rw_polygon>& polygons = clump->geometry->polygons;
    for (size_t i = 0; i < polygons.size(); ++i) {
        if (tag != 0 && polygons[i].tag != tag)
            continue;
        rw_texture_add_reference(texture);
        rw_texture_destroy(clump->textures[i]);
        clump->textures[i] = texture;
        rw_note_change();
    }
    for (rw_clump* child : clump->children)
        rw_clump_set_texture(child, tag, texture);
}

rw_texture* rw_clump_polygon_texture(const rw_clump* clump, int polygon)
{
    return clump->textures[static_cast<size_t>(polygon)];
}
