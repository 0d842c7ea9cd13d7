#include "render/clump.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "render/clump_internal.h"
#include "render/raster.h"
#include "render/render.h"
#include "render/texture.h"

namespace {

glm::vec3 newell_normal(const rw_clump* c, const uint32_t* idx, uint32_t n)
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
void triangulate(rw_clump* c, uint32_t polygon, const uint32_t* idx, uint32_t n,
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
    for (rw_polygon& p : c->polygons)
        rw_texture_destroy(p.texture);
    delete c;
}

rw_clump* copy_tree(const rw_clump* c, rw_clump* parent)
{
    auto* copy = new rw_clump(*c);
    copy->parent = parent;
    copy->world_valid = false;
    for (rw_polygon& p : copy->polygons)
        rw_texture_add_reference(p.texture);
    for (rw_clump*& child : copy->children)
        child = copy_tree(child, copy);
    return copy;
}

void grow(const rw_clump* c, bool hierarchy, glm::vec3* lo, glm::vec3* hi, bool* any)
{
    for (const rw_vertex& v : c->vertices) {
        *lo = *any ? glm::min(*lo, v.position) : v.position;
        *hi = *any ? glm::max(*hi, v.position) : v.position;
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
    c->world_ltm = ltm;
    c->world_valid = true;
    c->world_vertices.resize(c->vertices.size() * 3);
    for (size_t i = 0; i < c->vertices.size(); ++i) {
        glm::vec4 w = ltm * glm::vec4(c->vertices[i].position, 1.0f);
        c->world_vertices[i * 3] = w.x;
        c->world_vertices[i * 3 + 1] = w.y;
        c->world_vertices[i * 3 + 2] = w.z;
    }
    glm::mat3 normal_matrix = glm::transpose(glm::inverse(glm::mat3(ltm)));
    c->world_normals.resize(c->polygons.size() * 3);
    for (size_t i = 0; i < c->polygons.size(); ++i) {
        glm::vec3 n = normal_matrix * c->polygons[i].normal;
        float len = glm::length(n);
        if (len > 0.0f)
            n /= len;
        c->world_normals[i * 3] = n.x;
        c->world_normals[i * 3 + 1] = n.y;
        c->world_normals[i * 3 + 2] = n.z;
    }
}

}  // namespace

uint32_t rw_clump_material_index(rw_clump* clump, const rw_material& material)
{
    // Models hold few materials; the last one added is the likeliest match.
    for (size_t i = clump->materials.size(); i-- > 0;) {
        if (clump->materials[i] == material)
            return static_cast<uint32_t>(i);
    }
    clump->materials.push_back(material);
    return static_cast<uint32_t>(clump->materials.size() - 1);
}

int rw_clump_add_polygon(rw_clump* clump, const uint32_t* indices, uint32_t count,
                         uint32_t material, int32_t tag)
{
    if (count < 3 || material >= clump->materials.size())
        return 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (indices[i] >= clump->vertices.size())
            return 0;
    }
    glm::vec3 normal = newell_normal(clump, indices, count);
    float len = glm::length(normal);
    if (!(len > 1e-12f))
        return 0;
    normal /= len;
    rw_polygon p;
    p.first = static_cast<uint32_t>(clump->indices.size());
    p.count = count;
    p.material = material;
    p.tag = tag;
    p.normal = normal;
    clump->indices.insert(clump->indices.end(), indices, indices + count);
    clump->polygons.push_back(p);
    triangulate(clump, static_cast<uint32_t>(clump->polygons.size() - 1), indices, count, normal);
    clump->world_valid = false;
    clump->box_valid = false;
    return 1;
}

int rw_clump_own_box(rw_clump* clump, glm::vec3* minimum, glm::vec3* maximum)
{
    if (clump->vertices.empty())
        return 0;
    if (!clump->box_valid) {
        bool any = false;
        grow(clump, false, &clump->box_min, &clump->box_max, &any);
        clump->box_valid = true;
    }
    *minimum = clump->box_min;
    *maximum = clump->box_max;
    return 1;
}

void rw_clump_adopt(rw_clump* parent, rw_clump* child)
{
    child->parent = parent;
    parent->children.push_back(child);
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
    std::unordered_map<uint32_t, rw_texture*> by_material;
    for (rw_polygon& p : clump->polygons) {
        if (p.texture)
            continue;
        const rw_material& m = clump->materials[p.material];
        if (m.texture.empty())
            continue;
        auto [it, added] = by_material.try_emplace(p.material, nullptr);
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
        p.texture = it->second;
        rw_texture_add_reference(p.texture);
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
    rw_material m;
    m.color = glm::vec3(1.0f);
    m.ambient = 0.5f;
    m.diffuse = 0.5f;
    c->materials.push_back(m);
    for (int i = 0; i < vertex_count; ++i) {
        rw_vertex v;
        v.position = glm::vec3(vertices[i * 3], vertices[i * 3 + 1], vertices[i * 3 + 2]);
        c->vertices.push_back(v);
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
    if (rw_clump* parent = clump->parent) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), clump), siblings.end());
    }
    destroy_tree(clump);
}

glm::mat4 rw_clump_matrix(const rw_clump* clump)
{
    return clump->matrix;
}

void rw_clump_set_matrix(rw_clump* clump, const glm::mat4& matrix)
{
    clump->matrix = matrix;
}

glm::mat4 rw_clump_joint(const rw_clump* clump)
{
    return clump->joint;
}

void rw_clump_set_joint(rw_clump* clump, const glm::mat4& joint)
{
    clump->joint = joint;
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
    clump->render_style = style == rw_style_selected ? rw_style_selected : rw_style_normal;
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
    return static_cast<int>(clump->vertices.size());
}

int rw_clump_polygon_count(const rw_clump* clump)
{
    return static_cast<int>(clump->polygons.size());
}

int rw_clump_triangle_count(const rw_clump* clump)
{
    return static_cast<int>(clump->triangle_polygon.size());
}

int rw_clump_polygon(const rw_clump* clump, int polygon, const uint32_t** indices)
{
    const rw_polygon& p = clump->polygons[static_cast<size_t>(polygon)];
    *indices = clump->indices.data() + p.first;
    return static_cast<int>(p.count);
}

int rw_clump_polygon_tag(const rw_clump* clump, int polygon)
{
    return clump->polygons[static_cast<size_t>(polygon)].tag;
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
    for (rw_polygon& p : clump->polygons) {
        if (tag != 0 && p.tag != tag)
            continue;
        rw_texture_add_reference(texture);
        rw_texture_destroy(p.texture);
        p.texture = texture;
    }
    for (rw_clump* child : clump->children)
        rw_clump_set_texture(child, tag, texture);
}

rw_texture* rw_clump_polygon_texture(const rw_clump* clump, int polygon)
{
    return clump->polygons[static_cast<size_t>(polygon)].texture;
}
