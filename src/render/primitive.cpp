#include "render/primitive.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int max_sides = 1024;
constexpr int max_density = 6;
constexpr float two_pi = 6.28318530718f;

uint32_t add_point(rw_mesh* m, glm::vec3 p, glm::vec2 uv)
{
    m->positions.push_back(p);
    m->uvs.push_back(uv);
    return static_cast<uint32_t>(m->positions.size() - 1);
}

void add_polygon(rw_mesh* m, std::initializer_list<uint32_t> corners, bool reverse)
{
    if (reverse)
        m->indices.insert(m->indices.end(), std::rbegin(corners), std::rend(corners));
    else
        m->indices.insert(m->indices.end(), corners.begin(), corners.end());
    m->counts.push_back(static_cast<uint32_t>(corners.size()));
}

// A point of a ring of radius r at height y; angles grow so that a ring
// runs counter-clockwise seen from above.
glm::vec3 ring_point(float r, float y, int i, int sides)
{
    float a = two_pi * static_cast<float>(i) / static_cast<float>(sides);
    return {r * std::cos(a), y, -r * std::sin(a)};
}

// A flat ring-shaped polygon facing up, or down when `down`.
void add_disc(rw_mesh* m, float y, float r, int sides, bool down)
{
    std::vector<uint32_t> ring;
    for (int i = 0; i < sides; ++i) {
        glm::vec3 p = ring_point(r, y, i, sides);
        ring.push_back(add_point(m, p, {0.5f + 0.5f * p.x / r, 0.5f + 0.5f * p.z / r}));
    }
    if (down)
        std::reverse(ring.begin(), ring.end());
    m->indices.insert(m->indices.end(), ring.begin(), ring.end());
    m->counts.push_back(static_cast<uint32_t>(sides));
}

bool valid_sides(int sides)
{
    return sides >= 3 && sides <= max_sides;
}

// Rings from the top pole down to the bottom pole (or to the equator for a
// dome): a latitude-longitude sphere.
void add_sphere(rw_mesh* m, float r, int density, bool dome)
{
    bool inward = r < 0.0f;
    float radius = std::fabs(r);
    int d = std::clamp(density, 1, max_density);
    int segments = 4 << d;
    int stacks = dome ? (1 << d) : (2 << d);
    float stack_angle = 3.14159265359f / static_cast<float>(2 << d);
    std::vector<std::vector<uint32_t>> rings(static_cast<size_t>(stacks + 1));
    for (int j = 0; j <= stacks; ++j) {
        float phi = stack_angle * static_cast<float>(j);
        for (int i = 0; i <= segments; ++i) {
            glm::vec3 p = ring_point(radius * std::sin(phi), radius * std::cos(phi), i, segments);
            rings[static_cast<size_t>(j)].push_back(add_point(
                m, p, {static_cast<float>(i) / segments, static_cast<float>(j) / (2 << d)}));
        }
    }
    for (int j = 0; j < stacks; ++j) {
        const auto& top = rings[static_cast<size_t>(j)];
        const auto& bottom = rings[static_cast<size_t>(j + 1)];
        for (int i = 0; i < segments; ++i) {
            auto k = static_cast<size_t>(i);
            if (j == 0)
                add_polygon(m, {bottom[k], bottom[k + 1], top[k]}, inward);
            else if (!dome && j == stacks - 1)
                add_polygon(m, {bottom[k], top[k + 1], top[k]}, inward);
            else
                add_polygon(m, {bottom[k], bottom[k + 1], top[k + 1], top[k]}, inward);
        }
    }
}

}  // namespace

int rw_primitive_block(rw_mesh* m, float width, float height, float depth)
{
    if (width == 0.0f || height == 0.0f || depth == 0.0f)
        return 0;
    float a = width / 2, b = height / 2, c = depth / 2;
    const glm::vec3 faces[6][4] = {
        {{-a, -b, c}, {a, -b, c}, {a, b, c}, {-a, b, c}},
        {{a, -b, -c}, {-a, -b, -c}, {-a, b, -c}, {a, b, -c}},
        {{a, -b, c}, {a, -b, -c}, {a, b, -c}, {a, b, c}},
        {{-a, -b, -c}, {-a, -b, c}, {-a, b, c}, {-a, b, -c}},
        {{-a, b, c}, {a, b, c}, {a, b, -c}, {-a, b, -c}},
        {{-a, -b, -c}, {a, -b, -c}, {a, -b, c}, {-a, -b, c}},
    };
    const glm::vec2 uv[4] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    // Negative sizes turn the box inside out.
    bool inward = ((width < 0) != (height < 0)) != (depth < 0);
    for (const auto& face : faces) {
        uint32_t i0 = add_point(m, face[0], uv[0]);
        uint32_t i1 = add_point(m, face[1], uv[1]);
        uint32_t i2 = add_point(m, face[2], uv[2]);
        uint32_t i3 = add_point(m, face[3], uv[3]);
        add_polygon(m, {i0, i1, i2, i3}, inward);
    }
    return 1;
}

int rw_primitive_cone(rw_mesh* m, float height, float radius, int sides)
{
    if (height == 0.0f || radius == 0.0f || !valid_sides(sides))
        return 0;
    bool inward = (radius < 0.0f) != (height < 0.0f);
    float r = std::fabs(radius);
    for (int i = 0; i < sides; ++i) {
        float u0 = static_cast<float>(i) / sides, u1 = static_cast<float>(i + 1) / sides;
        uint32_t a = add_point(m, ring_point(r, 0, i, sides), {u0, 1});
        uint32_t b = add_point(m, ring_point(r, 0, i + 1, sides), {u1, 1});
        uint32_t apex = add_point(m, {0, height, 0}, {(u0 + u1) / 2, 0});
        add_polygon(m, {a, b, apex}, inward);
    }
    add_disc(m, 0.0f, r, sides, !inward);
    return 1;
}

int rw_primitive_cylinder(rw_mesh* m, float height, float bottom_radius, float top_radius,
                          int sides)
{
    if (height == 0.0f || (bottom_radius == 0.0f && top_radius == 0.0f) || !valid_sides(sides))
        return 0;
    bool inward = (bottom_radius < 0.0f || top_radius < 0.0f) != (height < 0.0f);
    float rb = std::fabs(bottom_radius), rt = std::fabs(top_radius);
    for (int i = 0; i < sides; ++i) {
        float u0 = static_cast<float>(i) / sides, u1 = static_cast<float>(i + 1) / sides;
        uint32_t b0 = add_point(m, ring_point(rb, 0, i, sides), {u0, 1});
        uint32_t b1 = add_point(m, ring_point(rb, 0, i + 1, sides), {u1, 1});
        uint32_t t1 = add_point(m, ring_point(rt, height, i + 1, sides), {u1, 0});
        uint32_t t0 = add_point(m, ring_point(rt, height, i, sides), {u0, 0});
        if (rb == 0.0f)
            add_polygon(m, {b0, t1, t0}, inward);
        else if (rt == 0.0f)
            add_polygon(m, {b0, b1, t0}, inward);
        else
            add_polygon(m, {b0, b1, t1, t0}, inward);
    }
    if (rb > 0.0f)
        add_disc(m, 0.0f, rb, sides, !inward);
    if (rt > 0.0f)
        add_disc(m, height, rt, sides, inward);
    return 1;
}

int rw_primitive_disc(rw_mesh* m, float y, float radius, int sides)
{
    if (radius == 0.0f || !valid_sides(sides))
        return 0;
    add_disc(m, y, std::fabs(radius), sides, radius < 0.0f);
    return 1;
}

int rw_primitive_hemisphere(rw_mesh* m, float radius, int density)
{
    if (radius == 0.0f)
        return 0;
    if (density <= 0) {
        // A square pyramid standing on the X-Z plane.
        bool inward = radius < 0.0f;
        float r = std::fabs(radius);
        for (int i = 0; i < 4; ++i) {
            uint32_t a = add_point(m, ring_point(r, 0, i, 4), {i / 4.0f, 1});
            uint32_t b = add_point(m, ring_point(r, 0, i + 1, 4), {(i + 1) / 4.0f, 1});
            uint32_t apex = add_point(m, {0, r, 0}, {(i + 0.5f) / 4.0f, 0});
            add_polygon(m, {a, b, apex}, inward);
        }
        return 1;
    }
    add_sphere(m, radius, density, true);
    return 1;
}

int rw_primitive_sphere(rw_mesh* m, float radius, int density)
{
    if (radius == 0.0f)
        return 0;
    if (density <= 0) {
        // A cube whose corners lie on the sphere.
        float side = 2.0f * radius / std::sqrt(3.0f);
        return rw_primitive_block(m, side, side, side);
    }
    add_sphere(m, radius, density, false);
    return 1;
}
