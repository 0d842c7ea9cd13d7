#include "render/pick.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/clump_internal.h"

namespace {

// Whether the ray meets the box closer than `nearest`.
bool ray_meets_box(const glm::vec3& origin, const glm::vec3& inverse, const glm::vec3& lo,
                   const glm::vec3& hi, float nearest)
{
    float t0 = 0.0f, t1 = nearest;
    for (int a = 0; a < 3; ++a) {
        float near = (lo[a] - origin[a]) * inverse[a];
        float far = (hi[a] - origin[a]) * inverse[a];
        if (near > far)
            std::swap(near, far);
        // A ray parallel to a slab and outside it gives NaN here.
        if (std::isnan(near) || std::isnan(far)) {
            if (origin[a] < lo[a] || origin[a] > hi[a])
                return false;
            continue;
        }
        t0 = std::max(t0, near);
        t1 = std::min(t1, far);
        if (t0 > t1)
            return false;
    }
    return true;
}

// Moller-Trumbore; the distance along the ray when it hits the triangle's
// front (or either side when two-sided).
bool ray_meets_triangle(const glm::vec3& origin, const glm::vec3& direction, const glm::vec3& v0,
                        const glm::vec3& v1, const glm::vec3& v2, bool two_sided, float* t)
{
    glm::vec3 e1 = v1 - v0, e2 = v2 - v0;
    glm::vec3 p = glm::cross(direction, e2);
    float det = glm::dot(e1, p);
    if (two_sided ? std::fabs(det) < 1e-12f : det < 1e-12f)
        return false;
    float inv = 1.0f / det;
    glm::vec3 s = origin - v0;
    float u = glm::dot(s, p) * inv;
    if (u < 0.0f || u > 1.0f)
        return false;
    glm::vec3 q = glm::cross(s, e1);
    float v = glm::dot(direction, q) * inv;
    if (v < 0.0f || u + v > 1.0f)
        return false;
    *t = glm::dot(e2, q) * inv;
    return *t >= 0.0f;
}

void pick_clump(rw_clump* c, const glm::vec3& origin, const glm::vec3& direction,
                const glm::vec3& inverse, rw_pick_result* best)
{
    glm::vec3 lo, hi;
    if (rw_clump_world_box(c, &lo, &hi) && ray_meets_box(origin, inverse, lo, hi, best->distance)) {
        const float* w = rw_clump_world_vertices(c);
        auto at = [w](uint32_t i) { return glm::vec3(w[i * 3], w[i * 3 + 1], w[i * 3 + 2]); };
        const rw_geometry& g = *c->geometry;
        size_t triangles = g.triangle_polygon.size();
        for (size_t i = 0; i < triangles; ++i) {
            uint32_t polygon = g.triangle_polygon[i];
            const rw_material& m = g.materials[g.polygons[polygon].material];
            float t;
            if (m.geometry_sampling == rw_geometry_solid &&
                ray_meets_triangle(origin, direction, at(g.triangles[i * 3]),
                                   at(g.triangles[i * 3 + 1]), at(g.triangles[i * 3 + 2]),
                                   m.double_sided, &t) &&
                t < best->distance) {
                best->clump = c;
                best->polygon = static_cast<int>(polygon);
                best->distance = t;
            }
        }
    }
    for (rw_clump* child : c->children)
        pick_clump(child, origin, direction, inverse, best);
}

}  // namespace

int rw_pick_ray(rw_clump* const* clumps, int count, const glm::vec3& origin,
                const glm::vec3& direction, rw_pick_result* result)
{
    rw_pick_result best{nullptr, -1, std::numeric_limits<float>::max(), glm::vec3(0.0f)};
    if (glm::length(direction) > 0.0f) {
        glm::vec3 inverse = 1.0f / direction;
        for (int i = 0; i < count; ++i) {
            if (clumps[i])
                pick_clump(clumps[i], origin, direction, inverse, &best);
        }
    }
    if (!best.clump)
        return 0;
    best.point = origin + direction * best.distance;
    *result = best;
    return 1;
}
