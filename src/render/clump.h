#pragma once
#include <cstdint>

#include <glm/glm.hpp>

struct rw_texture;

// A clump: one node of a model's hierarchy. Its vertices are in the model's
// own space (every transform of the model file already applied); the root's
// matrix places the model in the world, and each child's joint matrix can
// turn it about its pivot (the transform it was modelled with), which is how
// figures move their limbs.
struct rw_clump;

enum rw_axis_alignment { rw_align_none = 0, rw_align_z_orient_x = 1, rw_align_z_orient_y = 2,
                         rw_align_xyz = 3 };
enum rw_render_style { rw_style_selected = 1, rw_style_normal = 2 };

// A clump of one material (white, ambient and diffuse 0.5) from vertices
// (x, y, z triples) and triangles (three vertex indices each, from 0);
// none when an index is out of range.
rw_clump* rw_clump_create(const float* vertices, int vertex_count, const int* triangles,
                          int triangle_count);
// A deep copy of a clump and everything below it.
rw_clump* rw_clump_duplicate(const rw_clump* clump);
// Destroys a root clump and its hierarchy, dropping its textures.
void rw_clump_destroy(rw_clump* clump);

// The root's placement in the world (the identity for a new clump).
glm::mat4 rw_clump_matrix(const rw_clump* clump);
void rw_clump_set_matrix(rw_clump* clump, const glm::mat4& matrix);
// A child's joint rotation (identity at rest), applied about its pivot.
glm::mat4 rw_clump_joint(const rw_clump* clump);
void rw_clump_set_joint(rw_clump* clump, const glm::mat4& joint);
// Model space to world space for this clump's vertices.
glm::mat4 rw_clump_ltm(const rw_clump* clump);

rw_clump* rw_clump_parent(const rw_clump* clump);
rw_clump* rw_clump_root(rw_clump* clump);
int rw_clump_child_count(const rw_clump* clump);
rw_clump* rw_clump_child(const rw_clump* clump, int index);
// Calls visit for the clump and every clump below it, parents first; a
// visit that returns non-zero ends the walk, and its clump is returned.
using rw_clump_visitor = int (*)(rw_clump* clump, void* user);
rw_clump* rw_clump_for_all(rw_clump* clump, rw_clump_visitor visit, void* user);
// The first clump of the hierarchy with this tag, or none.
rw_clump* rw_clump_find_tag(rw_clump* clump, int tag);

int rw_clump_tag(const rw_clump* clump);
int rw_clump_axis_alignment(const rw_clump* clump);
// 0 when the model says the clump and its children are not to be bumped into.
int rw_clump_collision(const rw_clump* clump);
int rw_clump_render_style(const rw_clump* clump);
void rw_clump_set_render_style(rw_clump* clump, int style);

// The box around the clump's vertices in model space, or around those of
// the whole hierarchy; 0 when there are none.
int rw_clump_bbox(const rw_clump* clump, int hierarchy, glm::vec3* minimum, glm::vec3* maximum);

// The axis-aligned world-space box around the clump's own vertices as
// placed now; 0 when it has none.
int rw_clump_world_box(rw_clump* clump, glm::vec3* minimum, glm::vec3* maximum);
// Geometry. Polygons keep their vertex lists as modelled (for tags and
// collision); they are drawn as triangles.
int rw_clump_vertex_count(const rw_clump* clump);
int rw_clump_polygon_count(const rw_clump* clump);
int rw_clump_triangle_count(const rw_clump* clump);
// A polygon's vertex indices (from 0) and their count.
int rw_clump_polygon(const rw_clump* clump, int polygon, const uint32_t** indices);
int rw_clump_polygon_tag(const rw_clump* clump, int polygon);
// The clump's vertices in world space (x, y, z triples) and its polygons'
// normals in world space, kept until the clump moves.
const float* rw_clump_world_vertices(rw_clump* clump);
const float* rw_clump_world_normals(rw_clump* clump);

// Sets the texture of the polygons of the clump and of every clump below
// it, or of those with the tag (tag 0: all); none clears it. Each polygon
// holds a reference on its texture.
void rw_clump_set_texture(rw_clump* clump, int tag, rw_texture* texture);
// The texture of a polygon, or none.
rw_texture* rw_clump_polygon_texture(const rw_clump* clump, int polygon);
