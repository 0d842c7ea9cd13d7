#pragma once
// The RWX primitives as polygon meshes in their own space, front faces
// counter-clockwise seen from outside (from inside for negative radii).

#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

struct rw_mesh {
    std::vector<glm::vec3> positions;
    std::vector<glm::vec2> uvs;
    std::vector<uint32_t> indices;  // the polygons' vertex indices, one after another
    std::vector<uint32_t> counts;   // vertices of each polygon
};

// Each returns 0 (and an empty mesh) for sizes the format calls illegal.
int rw_primitive_block(rw_mesh* mesh, float width, float height, float depth);
int rw_primitive_cone(rw_mesh* mesh, float height, float radius, int sides);
int rw_primitive_cylinder(rw_mesh* mesh, float height, float bottom_radius, float top_radius,
                          int sides);
int rw_primitive_disc(rw_mesh* mesh, float y, float radius, int sides);
int rw_primitive_hemisphere(rw_mesh* mesh, float radius, int density);
int rw_primitive_sphere(rw_mesh* mesh, float radius, int density);
