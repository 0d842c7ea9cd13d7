#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "render/clump.h"
#include "render/pick.h"
#include "render/raster.h"
#include "render/rwx.h"
#include "render/render.h"
#include "render/texture.h"
#include "support/bmp_file.h"
#include "support/temp_dir.h"

namespace {

rw_clump* read(const std::string& text)
{
    return rw_rwx_read(text.data(), text.size());
}

glm::vec3 world_vertex(rw_clump* c, int i)
{
    const float* w = rw_clump_world_vertices(c);
    return {w[i * 3], w[i * 3 + 1], w[i * 3 + 2]};
}

glm::vec3 normal(rw_clump* c, int polygon)
{
    const float* n = rw_clump_world_normals(c);
    return {n[polygon * 3], n[polygon * 3 + 1], n[polygon * 3 + 2]};
}

void expect_near(glm::vec3 a, glm::vec3 b)
{
    EXPECT_NEAR(a.x, b.x, 1e-4f);
    EXPECT_NEAR(a.y, b.y, 1e-4f);
    EXPECT_NEAR(a.z, b.z, 1e-4f);
}

const char* crate = R"(# crate.rwx - textured cube with one tagged face and a child clump
ModelBegin
  ProtoBegin side
    Color 1 1 1
    Surface 0.4 0.6 0
    Texture crate
    TextureModes Lit Foreshorten Filter
    Vertex -0.5 -0.5 0.5 UV 0 1
    Vertex  0.5 -0.5 0.5 UV 1 1
    Vertex  0.5  0.5 0.5 UV 1 0
    Vertex -0.5  0.5 0.5 UV 0 0
    Quad 1 2 3 4
  ProtoEnd
  ClumpBegin
    Color 1 1 1
    Surface 0.4 0.6 0
    Texture crate
    Vertex -0.5 -0.5 0.5 UV 0 1
    Vertex  0.5 -0.5 0.5 UV 1 1
    Vertex  0.5  0.5 0.5 UV 1 0
    Vertex -0.5  0.5 0.5 UV 0 0
    Quad 1 2 3 4 Tag 100
    Rotate 0 1 0 90
    ProtoInstance side
    Identity
    Rotate 0 1 0 -90
    ProtoInstance side
    Identity
    Rotate 0 1 0 180
    ProtoInstance side
    Identity
    Rotate 1 0 0 -90
    ProtoInstance side
    Identity
    Rotate 1 0 0 90
    ProtoInstance side
    Identity
    ClumpBegin
      Tag 5
      #!Collision off
      Translate 0 0.6 0
      Texture NULL
      Color 1 0 0
      Sphere 0.1 2
    ClumpEnd
  ClumpEnd
ModelEnd
)";

}  // namespace

TEST(rwx, the_crate_has_its_faces_prototypes_and_child)
{
    rw_clump* c = read(crate);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(rw_clump_vertex_count(c), 24);
    ASSERT_EQ(rw_clump_polygon_count(c), 6);
    EXPECT_EQ(rw_clump_triangle_count(c), 12);
    EXPECT_EQ(rw_clump_polygon_tag(c, 0), 100);
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(rw_clump_polygon_tag(c, i), 0);
    // The instances landed facing +X, -X, -Z, +Y and -Y.
    expect_near(normal(c, 0), {0, 0, 1});
    expect_near(normal(c, 1), {1, 0, 0});
    expect_near(normal(c, 2), {-1, 0, 0});
    expect_near(normal(c, 3), {0, 0, -1});
    expect_near(normal(c, 4), {0, 1, 0});
    expect_near(normal(c, 5), {0, -1, 0});
    expect_near(world_vertex(c, 4), {0.5f, -0.5f, 0.5f});

    ASSERT_EQ(rw_clump_child_count(c), 1);
    rw_clump* knob = rw_clump_child(c, 0);
    EXPECT_EQ(rw_clump_tag(knob), 5);
    EXPECT_EQ(rw_clump_collision(knob), 0);
    EXPECT_EQ(rw_clump_collision(c), 1);
    EXPECT_EQ(rw_clump_find_tag(c, 5), knob);
    EXPECT_EQ(rw_clump_find_tag(c, 6), nullptr);
    EXPECT_GT(rw_clump_polygon_count(knob), 8);

    glm::vec3 lo, hi;
    ASSERT_EQ(rw_clump_bbox(c, 0, &lo, &hi), 1);
    expect_near(lo, {-0.5f, -0.5f, -0.5f});
    expect_near(hi, {0.5f, 0.5f, 0.5f});
    ASSERT_EQ(rw_clump_bbox(c, 1, &lo, &hi), 1);
    EXPECT_NEAR(hi.y, 0.7f, 1e-4f);
    ASSERT_EQ(rw_clump_bbox(knob, 0, &lo, &hi), 1);
    EXPECT_NEAR(lo.y, 0.5f, 1e-4f);
    rw_clump_destroy(c);
}

TEST(rwx, transforms_pre_concatenate_and_nest)
{
    rw_clump* c = read(
        "clumpbegin\n"
        "translate 1 0 0\n"
        "rotate 0 0 1 90\n"
        "vertex 1 0 0\n"                  // rotated first: (0,1,0), then moved: (1,1,0)
        "transformbegin\n"
        "scale 2 3 4\n"
        "vertex 1 1 1\n"                  // (1,0,0) + R(2,3,4) = (1 - 3, 2, 4)
        "transformend\n"
        "vertex 0 0 0\n"                  // back to T R: (1,0,0)
        "transform 1 0 0 0  0 1 0 0  0 0 1 0  5 6 7 1\n"
        "vertex 1 1 1\n"                  // (6,7,8)
        "identity\n"
        "vertex 2 2 2 Normal 0 0 2 UV .5 1.\n"
        "triangle 1 2 3\n"
        "clumpend\n");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(rw_clump_vertex_count(c), 5);
    expect_near(world_vertex(c, 0), {1, 1, 0});
    expect_near(world_vertex(c, 1), {-2, 2, 4});
    expect_near(world_vertex(c, 2), {1, 0, 0});
    expect_near(world_vertex(c, 3), {6, 7, 8});
    expect_near(world_vertex(c, 4), {2, 2, 2});
    rw_clump_destroy(c);
}

TEST(rwx, clumps_restore_their_parents_state_and_number_their_own_vertices)
{
    rw_clump* c = read(
        "ModelBegin\nClumpBegin\n"
        "Color 0 1 0\n"
        "Vertex 0 0 0\nVertex 1 0 0\nVertex 0 1 0\n"
        "ClumpBegin\n"
        "  Translate 0 0 5\n"
        "  Color 1 0 0\n"
        "  Vertex 0 0 0\nVertex 1 0 0\nVertex 0 1 0\n"
        "  Triangle 1 2 3\n"
        "  Triangle 1 2 4\n"           // no fourth vertex here: dropped
        "ClumpEnd\n"
        "Vertex 0 0 1\n"
        "Triangle 1 2 3\n"
        "Polygon 4 1 2 4 3 Tag 7\n"
        "Polygon 5 1 2 3 4\n"          // count mismatch: dropped
        "Quad 1 2 3 9\n"               // out of range: dropped
        "ClumpEnd\nModelEnd\n");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(rw_clump_child_count(c), 1);
    rw_clump* child = rw_clump_child(c, 0);
    EXPECT_EQ(rw_clump_polygon_count(child), 1);
    EXPECT_NEAR(world_vertex(child, 0).z, 5.0f, 1e-5f);
    // The translation ended with the child clump.
    EXPECT_NEAR(world_vertex(c, 3).z, 1.0f, 1e-5f);
    ASSERT_EQ(rw_clump_polygon_count(c), 2);
    EXPECT_EQ(rw_clump_polygon_tag(c, 1), 7);
    const uint32_t* corners;
    ASSERT_EQ(rw_clump_polygon(c, 1, &corners), 4);
    EXPECT_EQ(corners[2], 3u);
    rw_clump_destroy(c);
}

TEST(rwx, axis_alignment_and_several_top_level_clumps)
{
    rw_clump* c = read(
        "clumpbegin\nAxisAlignment ZOrientY\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
        "triangle 1 2 3\nclumpend\n"
        "clumpbegin\nAxisAlignment zorientx\nclumpend\n"
        "clumpbegin\naxisalignment XYZ\nclumpend\n");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(rw_clump_axis_alignment(c), rw_align_z_orient_y);
    ASSERT_EQ(rw_clump_child_count(c), 2);
    EXPECT_EQ(rw_clump_axis_alignment(rw_clump_child(c, 0)), rw_align_z_orient_x);
    EXPECT_EQ(rw_clump_axis_alignment(rw_clump_child(c, 1)), rw_align_xyz);
    rw_clump_destroy(c);
}

TEST(rwx, primitives_face_outward_unless_their_radius_is_negative)
{
    struct shape {
        const char* line;
        glm::vec3 center;
        float sign;
    } shapes[] = {
        {"Block 1 2 3", {0, 0, 0}, 1},       {"Sphere 1 0", {0, 0, 0}, 1},
        {"Sphere 2 3", {0, 0, 0}, 1},        {"Sphere -1 2", {0, 0, 0}, -1},
        {"Hemisphere 1 0", {0, 0.2f, 0}, 1}, {"Hemisphere 1 2", {0, 0, 0}, 1},
        {"Cone 2 1 8", {0, 0.5f, 0}, 1},     {"Cylinder 2 1 0.5 12", {0, 1, 0}, 1},
        {"Cylinder 2 0 1 6", {0, 1.2f, 0}, 1},
    };
    for (const shape& s : shapes) {
        rw_clump* c = read(std::string("ClumpBegin\n") + s.line + "\nClumpEnd\n");
        ASSERT_NE(c, nullptr) << s.line;
        int polygons = rw_clump_polygon_count(c);
        EXPECT_GT(polygons, 3) << s.line;
        const float* w = rw_clump_world_vertices(c);
        for (int p = 0; p < polygons; ++p) {
            const uint32_t* corners;
            int n = rw_clump_polygon(c, p, &corners);
            glm::vec3 centroid(0.0f);
            for (int k = 0; k < n; ++k)
                centroid += glm::vec3(w[corners[k] * 3], w[corners[k] * 3 + 1], w[corners[k] * 3 + 2]);
            centroid /= static_cast<float>(n);
            EXPECT_GT(s.sign * glm::dot(normal(c, p), centroid - s.center), 0.0f)
                << s.line << " polygon " << p;
        }
        rw_clump_destroy(c);
    }
    // Discs face up, or down for a negative radius.
    rw_clump* up = read("Disc 1 2 6\n");
    rw_clump* down = read("Disc 1 -2 6\n");
    ASSERT_TRUE(up && down);
    EXPECT_GT(normal(up, 0).y, 0.99f);
    EXPECT_LT(normal(down, 0).y, -0.99f);
    EXPECT_NEAR(world_vertex(up, 0).y, 1.0f, 1e-5f);
    rw_clump_destroy(up);
    rw_clump_destroy(down);
}

TEST(rwx, prototype_geometry_takes_the_current_material_and_children_come_along)
{
    rw_clump* tex = nullptr;
    rw_texture* red = rw_texture_create("red", rw_raster_create(2, 2));
    rw_texture* blue = rw_texture_create("Blue", rw_raster_create(2, 2));
    tex = read(
        "protobegin leaf\n"
        "texture red.jpg\n"
        "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\ntriangle 1 2 3\n"
        "clumpbegin\ntag 9\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\ntriangle 1 2 3\nclumpend\n"
        "protoend\n"
        "clumpbegin\n"
        "texture BLUE\n"
        "translate 0 0 3\n"
        "protoinstance leaf\n"
        "protoinstancegeometry leaf\n"
        "protoinstance nothing\n"
        "clumpend\n");
    ASSERT_NE(tex, nullptr);
    ASSERT_EQ(rw_clump_polygon_count(tex), 2);
    EXPECT_EQ(rw_clump_polygon_texture(tex, 0), red);
    EXPECT_EQ(rw_clump_polygon_texture(tex, 1), blue);
    ASSERT_EQ(rw_clump_child_count(tex), 2);
    rw_clump* child = rw_clump_child(tex, 0);
    EXPECT_EQ(rw_clump_tag(child), 9);
    EXPECT_NEAR(world_vertex(child, 0).z, 3.0f, 1e-5f);
    EXPECT_EQ(rw_clump_polygon_texture(child, 0), red);
    EXPECT_EQ(rw_clump_polygon_texture(rw_clump_child(tex, 1), 0), blue);

    // The clump holds its textures: they live on after their makers let go.
    rw_texture_destroy(red);
    rw_texture_destroy(blue);
    EXPECT_EQ(rw_texture_find("red"), red);
    rw_clump_destroy(tex);
    EXPECT_EQ(rw_texture_find("red"), nullptr);
    EXPECT_EQ(rw_texture_find("blue"), nullptr);
}

TEST(rwx, tolerates_what_real_files_do_and_refuses_what_is_not_a_model)
{
    rw_clump* c = read(
        "\xEF\xBB\xBF  CLUMPBEGIN\r\n"
        "\tVERTEX +1. -.5 1e-3\r"
        "Vertex 1 0 0 UV 1\r\n"                 // a modifier short of values
        "vertex 0 1 0 Frobnicate UV 0.5 0.5 # comment\r\n"
        "Vertex a b c\r\n"                      // not numbers: skipped
        "Frobnicate 1 2 3\r\n"
        "Triangle 1 2 3\r\n"
        "ClumpEnd\nClumpEnd\nTransformEnd\nMaterialEnd\n\x1a");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(rw_clump_vertex_count(c), 3);
    EXPECT_EQ(rw_clump_polygon_count(c), 1);
    expect_near(world_vertex(c, 0), {1.0f, -0.5f, 0.001f});
    rw_clump_destroy(c);

    EXPECT_EQ(read("this is not a model\n\x01\x02\x03"), nullptr);
    EXPECT_EQ(read(""), nullptr);
    EXPECT_EQ(rw_rwx_read_file("/nonexistent/model.rwx"), nullptr);
    // Scales that together leave the float range make no model.
    EXPECT_EQ(read("clumpbegin\nscale 1e30 1 1\nscale 1e30 1 1\nvertex 1 0 0\nclumpend\n"), nullptr);
    // Degenerate polygons and zero-sized primitives are dropped, not fatal.
    c = read("vertex 0 0 0\nvertex 0 0 0\nvertex 0 0 0\ntriangle 1 2 3\nblock 0 1 1\nsphere 0 1\n");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(rw_clump_polygon_count(c), 0);
    rw_clump_destroy(c);
}

TEST(rwx, a_concave_polygon_is_cut_into_triangles_inside_it)
{
    // An L shape: a fan from the first corner would cover the notch.
    rw_clump* c = read(
        "vertex 0 0 0\nvertex 2 0 0\nvertex 2 1 0\nvertex 1 1 0\nvertex 1 2 0\nvertex 0 2 0\n"
        "polygon 6 1 2 3 4 5 6\n");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(rw_clump_triangle_count(c), 4);
    rw_pick_result hit;
    auto through = [&](float x, float y) {
        return rw_pick_ray(&c, 1, glm::vec3(x, y, 5), glm::vec3(0, 0, -1), &hit);
    };
    EXPECT_EQ(through(1.5f, 1.5f), 0);
    EXPECT_EQ(through(0.5f, 1.5f), 1);
    EXPECT_EQ(through(1.5f, 0.5f), 1);
    EXPECT_EQ(through(0.5f, 0.5f), 1);
    rw_clump_destroy(c);
}

TEST(rwx, textures_and_their_masks_come_from_the_texture_folder)
{
    temp_dir dir;
    // Red on the left, green on the right; the mask hides the left.
    dir.write("Brick.bmp", bmp_file_24(2, 1, {0xFF0000, 0x00FF00}));
    dir.write("brickm.bmp", bmp_file_24(2, 1, {0x000000, 0xFFFFFF}));
    rw_set_texture_folder(dir.path().c_str());
    rw_clump* c = read(
        "texture brick.jpg mask brickm.bmp\n"
        "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\ntriangle 1 2 3\ntriangle 3 2 1\n"
        "texture nowhere\ntriangle 1 2 3\n");
    ASSERT_NE(c, nullptr);
    rw_texture* brick = rw_clump_polygon_texture(c, 0);
    ASSERT_NE(brick, nullptr);
    EXPECT_EQ(rw_clump_polygon_texture(c, 1), brick);
    EXPECT_EQ(rw_clump_polygon_texture(c, 2), nullptr);
    EXPECT_STREQ(rw_texture_name(brick), "brick");
    EXPECT_EQ(rw_texture_masked(brick), 1);
    const uint8_t* p = rw_raster_pixels(rw_texture_raster(brick));
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[3], 0);
    EXPECT_EQ(p[5], 255);
    EXPECT_EQ(p[7], 255);
    rw_clump_destroy(c);
    EXPECT_EQ(rw_texture_find("brick"), nullptr);
    rw_set_texture_folder("");
}
