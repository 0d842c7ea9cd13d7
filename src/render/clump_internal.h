#pragma once
// What the library's own files share about clumps: their full layout.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "render/clump.h"

enum rw_texture_mode : uint8_t { rw_mode_lit = 1, rw_mode_foreshorten = 2, rw_mode_filter = 4 };
enum rw_light_sampling : uint8_t { rw_light_facet = 0, rw_light_vertex = 1 };
enum rw_geometry_sampling : uint8_t { rw_geometry_solid = 0, rw_geometry_wireframe = 1,
                                      rw_geometry_point_cloud = 2 };
enum rw_address_mode : uint8_t { rw_address_wrap = 0, rw_address_mirror = 1, rw_address_clamp = 2 };

struct rw_material {
    glm::vec3 color{0.0f};
    float ambient = 0.0f;
    float diffuse = 0.0f;
    float specular = 0.0f;
    float opacity = 1.0f;
    std::string texture;  // texture key, empty for none
    std::string mask;     // mask name, empty for none
    uint8_t texture_modes = rw_mode_lit;
    uint8_t light_sampling = rw_light_facet;
    uint8_t geometry_sampling = rw_geometry_solid;
    uint8_t double_sided = 0;
    uint8_t address_mode = rw_address_wrap;
    uint8_t mipmap = 1;

    bool operator==(const rw_material&) const = default;
};

enum rw_vertex_flags : uint8_t { rw_vertex_has_normal = 1, rw_vertex_has_uv = 2 };

struct rw_vertex {
    glm::vec3 position{0.0f};
    glm::vec3 normal{0.0f};
    glm::vec2 uv{0.0f};
    uint8_t flags = 0;
};

struct rw_polygon {
    uint32_t first = 0;      // into the geometry's index list
    uint32_t count = 0;      // vertices of the polygon
    uint32_t material = 0;   // into the geometry's material table
    int32_t tag = 0;
    glm::vec3 normal{0.0f};  // in model space; front side
};

struct rw_gpu_geometry;

// What a clump's copies share: the geometry as modelled. It does not change
// once a clump shows it, so copies and clumps read from the same stream
// bytes share one, and are drawn together.
struct rw_geometry {
    rw_geometry();
    ~rw_geometry();
    rw_geometry(const rw_geometry& other);
    rw_geometry& operator=(const rw_geometry&) = delete;

    std::vector<rw_material> materials;
    std::vector<rw_vertex> vertices;
    std::vector<uint32_t> indices;
    std::vector<rw_polygon> polygons;
    std::vector<uint32_t> triangles;         // three vertex indices each
    std::vector<uint32_t> triangle_polygon;  // the polygon of each triangle

    // The box around the vertices, once measured.
    bool box_valid = false;
    glm::vec3 box_min{0.0f};
    glm::vec3 box_max{0.0f};

    // The drawing side's buffers, made when first drawn.
    rw_gpu_geometry* gpu = nullptr;
};

struct rw_scene;

struct rw_clump {
    rw_clump* parent = nullptr;
    std::vector<rw_clump*> children;  // owned
    rw_scene* scene = nullptr;        // roots: the scene that draws it

    glm::mat4 matrix{1.0f};  // placement (roots)
    glm::mat4 pivot{1.0f};   // the transform the clump was modelled with
    glm::mat4 joint{1.0f};   // rotation about the pivot
    int32_t tag = 0;
    int32_t axis_alignment = rw_align_none;
    int32_t collision = 1;
    int32_t render_style = rw_style_normal;

    std::shared_ptr<rw_geometry> geometry = std::make_shared<rw_geometry>();
    std::vector<rw_texture*> textures;  // one a polygon, each holding a reference

    // World-space copies, valid while the local-to-world matrix is unchanged.
    glm::mat4 world_ltm{0.0f};
    bool world_valid = false;
    std::vector<float> world_vertices;
    std::vector<float> world_normals;
};

// The clump's geometry for changing (a copy of its own when shared); counts
// as a change to what cameras draw.
rw_geometry& rw_clump_edit(rw_clump* clump);
// The box around the geometry's vertices; 0 when it has none.
int rw_geometry_box(rw_geometry* geometry, glm::vec3* minimum, glm::vec3* maximum);

// The index of a material in the clump's table, added when new.
uint32_t rw_clump_material_index(rw_clump* clump, const rw_material& material);
// Adds a polygon over vertex indices of the clump, computing its normal
// and triangles; 0 when it is degenerate or an index is out of range
// (nothing is added).
int rw_clump_add_polygon(rw_clump* clump, const uint32_t* indices, uint32_t count,
                         uint32_t material, int32_t tag);
// Appends a child.
void rw_clump_adopt(rw_clump* parent, rw_clump* child);
// Number of clumps in the hierarchy and its depth.
int rw_clump_hierarchy_size(const rw_clump* clump, int* depth);
// Takes a reference on the textures the clump's polygons name, reading them
// from the texture folder when they are not live.
void rw_clump_resolve_textures(rw_clump* clump);
