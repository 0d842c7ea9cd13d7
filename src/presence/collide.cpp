#include "presence/collide.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "assets/ground.h"
#include "behavior/behavior.h"
#include "render/clump.h"
#include "world/cell.h"
#include "world/element.h"
#include "world/visible.h"

namespace {

constexpr int polygon_vertex_limit = 64;  // clumps with more are tested as their box
constexpr float body_half_width = 0.025f;

// The ground's clump once its full model is there: a placeholder would let
// the user fall through.
rw_clump* program_ground()
{
    return ground_ready() ? ground_clump() : nullptr;
}

int program_bump(element* e)
{
    behavior_trigger(e, action_bump);
    return behavior_take_stop();
}

const collide_world program_world = {program_ground, visible_start, visible_next, element_clump,
                                     element_solid, program_bump};

// The body's box and the map from world space into the unit cube around it.
struct body {
    glm::vec3 centre;
    glm::vec3 scale;  // world offsets times these are cube offsets
    glm::vec3 lo, hi; // the box in world space
    glm::vec3 direction;

    glm::vec3 to_cube(const float* p) const
    {
        return (glm::vec3(p[0], p[1], p[2]) - centre) * scale;
    }
};

struct collide_state {
    const collide_world* world = &program_world;
    const element* last_bumped = nullptr;  // compared, never followed
    std::vector<glm::vec3> polygon;        // scratch
};

collide_state state;

int outcode(const glm::vec3& p)
{
    int code = 0;
    for (int axis = 0; axis < 3; ++axis) {
        if (p[axis] > 0.5f)
            code |= 1 << (axis * 2);
        else if (p[axis] < -0.5f)
            code |= 2 << (axis * 2);
    }
    return code;
}

// The segment a-b clipped against the cube's three slabs: 1 when some part
// of it is inside.
bool segment_meets_cube(const glm::vec3& a, const glm::vec3& b)
{
    float t0 = 0.0f, t1 = 1.0f;
    glm::vec3 d = b - a;
    for (int axis = 0; axis < 3; ++axis) {
        if (d[axis] == 0.0f) {
            if (a[axis] < -0.5f || a[axis] > 0.5f)
                return false;
            continue;
        }
        float u = (-0.5f - a[axis]) / d[axis];
        float v = (0.5f - a[axis]) / d[axis];
        if (u > v)
            std::swap(u, v);
        t0 = std::max(t0, u);
        t1 = std::min(t1, v);
        if (t0 > t1)
            return false;
    }
    return true;
}

// Even-odd crossing test of a point against the polygon, both projected
// onto the plane that drops the normal's largest axis.
bool point_in_polygon(const glm::vec3& p, const glm::vec3* v, int count, const glm::vec3& normal)
{
    glm::vec3 n = glm::abs(normal);
    int drop = n.x >= n.y && n.x >= n.z ? 0 : (n.y >= n.z ? 1 : 2);
    int u = drop == 0 ? 1 : 0;
    int w = drop == 2 ? 1 : 2;
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const glm::vec3& a = v[i];
        const glm::vec3& b = v[j];
        if ((a[w] > p[w]) != (b[w] > p[w])) {
            float cross = a[u] + (p[w] - a[w]) * (b[u] - a[u]) / (b[w] - a[w]);
            if (p[u] < cross)
                inside = !inside;
        }
    }
    return inside;
}

bool polygon_hits(const body& b, const float* world_vertices, const uint32_t* indices, int count)
{
    state.polygon.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        state.polygon[static_cast<size_t>(i)] = b.to_cube(world_vertices + 3 * indices[i]);
    return collide_polygon_cube(state.polygon.data(), count) != 0;
}

// The clump's box as six outward faces, placed as the clump is.
bool box_hits(const body& b, rw_clump* clump)
{
    glm::vec3 lo, hi;
    if (!rw_clump_bbox(clump, 0, &lo, &hi))
        return false;
    glm::mat4 m = rw_clump_ltm(clump);
    std::array<glm::vec3, 8> corner;
    for (int i = 0; i < 8; ++i) {
        glm::vec3 local(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
        glm::vec3 w(m * glm::vec4(local, 1.0f));
        corner[static_cast<size_t>(i)] = w;
    }
    glm::vec3 middle = (corner[0] + corner[7]) * 0.5f;
    static const int faces[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1},
                                    {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};
    for (const auto& f : faces) {
        glm::vec3 centre(0.0f);
        for (int k : f)
            centre += corner[static_cast<size_t>(k)];
        glm::vec3 outward = centre * 0.25f - middle;
        if (glm::dot(outward, b.direction) >= 0.0f)
            continue;
        std::array<glm::vec3, 4> q;
        for (size_t k = 0; k < 4; ++k)
            q[k] = (corner[static_cast<size_t>(f[k])] - b.centre) * b.scale;
        if (collide_polygon_cube(q.data(), 4))
            return true;
    }
    return false;
}

bool clump_hits(const body& b, rw_clump* clump)
{
    if (!rw_clump_collision(clump))
        return false;
    glm::vec3 lo, hi;
    if (rw_clump_world_box(clump, &lo, &hi) && glm::all(glm::lessThanEqual(lo, b.hi)) &&
        glm::all(glm::greaterThanEqual(hi, b.lo))) {
        if (rw_clump_vertex_count(clump) > polygon_vertex_limit) {
            if (box_hits(b, clump))
                return true;
        } else {
            const float* vertices = rw_clump_world_vertices(clump);
            const float* normals = rw_clump_world_normals(clump);
            int polygons = rw_clump_polygon_count(clump);
            for (int i = 0; i < polygons; ++i) {
                glm::vec3 n(normals[3 * i], normals[3 * i + 1], normals[3 * i + 2]);
                if (glm::dot(n, b.direction) >= 0.0f)
                    continue;
                const uint32_t* indices = nullptr;
                int count = rw_clump_polygon(clump, i, &indices);
                if (count >= 3 && polygon_hits(b, vertices, indices, count))
                    return true;
            }
        }
    }
    for (int i = 0, n = rw_clump_child_count(clump); i < n; ++i) {
        if (clump_hits(b, rw_clump_child(clump, i)))
            return true;
    }
    return false;
}

}  // namespace

int collide_polygon_cube(const glm::vec3* v, int count)
{
    if (count < 3)
        return 0;
    int all = ~0;
    std::array<int, polygon_vertex_limit> codes{};
    int coded = std::min(count, polygon_vertex_limit);
    for (int i = 0; i < count; ++i) {
        int code = outcode(v[i]);
        if (code == 0)
            return 1;
        if (i < coded)
            codes[static_cast<size_t>(i)] = code;
        all &= code;
    }
    if (all)
        return 0;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        bool both_coded = i < coded && j < coded;
        if (both_coded && (codes[static_cast<size_t>(i)] & codes[static_cast<size_t>(j)]))
            continue;
        if (segment_meets_cube(v[j], v[i]))
            return 1;
    }
    // The cube may pierce the polygon's inside: then the cube's diagonal
    // that runs most nearly along the normal crosses the polygon.
    glm::vec3 normal(0.0f);
    for (int i = 0, j = count - 1; i < count; j = i++)
        normal += glm::cross(v[j], v[i]);
    glm::vec3 d(normal.x >= 0 ? 0.5f : -0.5f, normal.y >= 0 ? 0.5f : -0.5f,
                normal.z >= 0 ? 0.5f : -0.5f);
    float along = glm::dot(normal, d);
    if (along == 0.0f)
        return 0;
    float t = glm::dot(normal, v[0]) / along;
    if (!(t >= -1.0f && t <= 1.0f))
        return 0;
    return point_in_polygon(d * t, v, count, normal) ? 1 : 0;
}

void collide_set_world(const collide_world* world)
{
    state.world = world ? world : &program_world;
    state.last_bumped = nullptr;
}

int collide_ground_ready()
{
    return state.world->ground() ? 1 : 0;
}

void collide_reset()
{
    state.last_bumped = nullptr;
}

int collide_bump(double x, double y, double z, double height, const glm::vec3& direction)
{
    float h = static_cast<float>(std::max(height, 0.05));
    body b;
    b.centre = glm::vec3(static_cast<float>(x), static_cast<float>(y) + h * 0.5f,
                         static_cast<float>(z));
    b.scale = glm::vec3(0.5f / body_half_width, 1.0f / h, 0.5f / body_half_width);
    b.lo = b.centre - glm::vec3(body_half_width, h * 0.5f, body_half_width);
    b.hi = b.centre + glm::vec3(body_half_width, h * 0.5f, body_half_width);
    b.direction = direction;

    const collide_world& world = *state.world;
    if (rw_clump* ground = world.ground(); ground && clump_hits(b, ground))
        return 1;
    int cx = cell_from_world(x), cz = cell_from_world(z);
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dx = -1; dx <= 1; ++dx) {
            world.cell_start(cx + dx, cz + dz);
            while (element* e = world.cell_next()) {
                rw_clump* clump = world.clump(e);
                if (!clump || !clump_hits(b, clump))
                    continue;
                if (e != state.last_bumped) {
                    state.last_bumped = e;
                    if (world.bump(e))
                        return 1;
                }
                if (world.solid(e))
                    return 1;
            }
        }
    }
    return 0;
}
