#pragma once

#include <glm/glm.hpp>

struct rw_clump;

struct rw_pick_result {
    rw_clump* clump;   // the clump of the hierarchy that was hit
    int polygon;       // its polygon
    float distance;    // along the ray, in units of the direction's length
    glm::vec3 point;   // where, in world space
};

// The nearest solid front face (or face of a double-sided material) that
// the ray from `origin` along `direction` hits, over these clumps and
// everything below them; wireframes and point clouds have no face to hit.
// 1 when one was hit.
int rw_pick_ray(rw_clump* const* clumps, int count, const glm::vec3& origin,
                const glm::vec3& direction, rw_pick_result* result);
