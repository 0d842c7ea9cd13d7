#include <gtest/gtest.h>

#include <string>

#include <glm/gtc/matrix_transform.hpp>

#include "render/clump.h"
#include "render/pick.h"
#include "render/raster.h"
#include "render/rwx.h"
#include "render/texture.h"

namespace {

rw_clump* read(const std::string& text)
{
    return rw_rwx_read(text.data(), text.size());
}

// A unit quad at z = 0 facing +Z, with a child quad at z = 1.
const char* two_quads =
    "clumpbegin\n"
    "vertex 0 0 0\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nquad 1 2 3 4 tag 100\n"
    "clumpbegin\ntag 2\ntranslate 0 0 1\n"
    "vertex 0 0 0\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nquad 1 2 3 4 tag 200\n"
    "clumpend\nclumpend\n";

}  // namespace

TEST(clump, the_placeholder_is_built_from_vertices_and_triangles)
{
    const float v[] = {-0.02f, 0, 0, 0.02f, 0, 0, 0, 0.02f, 0};
    const int t[] = {0, 1, 2};
    rw_clump* c = rw_clump_create(v, 3, t, 1);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(rw_clump_polygon_count(c), 1);
    glm::vec3 lo, hi;
    ASSERT_EQ(rw_clump_bbox(c, 1, &lo, &hi), 1);
    EXPECT_FLOAT_EQ(lo.x, -0.02f);
    EXPECT_FLOAT_EQ(hi.y, 0.02f);
    rw_clump_destroy(c);
    const int bad[] = {0, 1, 3};
    EXPECT_EQ(rw_clump_create(v, 3, bad, 1), nullptr);
    rw_clump* empty = rw_clump_create(nullptr, 0, nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(rw_clump_bbox(empty, 1, &lo, &hi), 0);
    rw_clump_destroy(empty);
}

TEST(clump, a_placement_carries_over_and_moves_the_world_geometry)
{
    rw_clump* a = read(two_quads);
    rw_clump* b = rw_clump_duplicate(a);
    ASSERT_TRUE(a && b);
    glm::mat4 place = glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(10, 0, 20)),
                                  glm::radians(90.0f), glm::vec3(0, 1, 0));
    rw_clump_set_matrix(a, place);
    EXPECT_EQ(rw_clump_world_vertices(b)[3], 1.0f);  // the copy did not move
    rw_clump_set_matrix(b, rw_clump_matrix(a));
    for (rw_clump* c : {a, b}) {
        const float* w = rw_clump_world_vertices(c);
        // (1, 0, 0) turned to (0, 0, -1), then moved.
        EXPECT_NEAR(w[3], 10.0f, 1e-5f);
        EXPECT_NEAR(w[5], 19.0f, 1e-5f);
        EXPECT_NEAR(rw_clump_world_normals(c)[0], 1.0f, 1e-5f);
        // Children follow their root.
        EXPECT_NEAR(rw_clump_world_vertices(rw_clump_child(c, 0))[0], 11.0f, 1e-5f);
    }
    // The model-space box does not depend on the placement.
    glm::vec3 lo, hi;
    rw_clump_bbox(a, 1, &lo, &hi);
    EXPECT_FLOAT_EQ(hi.z, 1.0f);
    rw_clump_destroy(a);
    rw_clump_destroy(b);
}

TEST(clump, a_joint_turns_a_child_about_its_pivot)
{
    rw_clump* c = read(
        "clumpbegin\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\ntriangle 1 2 3\n"
        // The arm's pivot is the transform in effect where it begins.
        "transformbegin\ntranslate 0 1 0\nclumpbegin\ntag 7\n"
        "vertex 1 0 0\nvertex 2 0 0\nvertex 1 1 0\ntriangle 1 2 3\nclumpend\ntransformend\n"
        "clumpend\n");
    ASSERT_NE(c, nullptr);
    rw_clump* arm = rw_clump_find_tag(c, 7);
    ASSERT_NE(arm, nullptr);
    EXPECT_NEAR(rw_clump_world_vertices(arm)[0], 1.0f, 1e-5f);
    rw_clump_set_joint(arm, glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 0, 1)));
    // (1, 1, 0) turns about the pivot (0, 1, 0) to (0, 2, 0).
    const float* w = rw_clump_world_vertices(arm);
    EXPECT_NEAR(w[0], 0.0f, 1e-5f);
    EXPECT_NEAR(w[1], 2.0f, 1e-5f);
    rw_clump_set_joint(arm, glm::mat4(1.0f));
    EXPECT_NEAR(rw_clump_world_vertices(arm)[0], 1.0f, 1e-5f);
    rw_clump_destroy(c);
}

TEST(clump, textures_go_on_tagged_polygons_and_are_counted)
{
    rw_clump* c = read(two_quads);
    ASSERT_NE(c, nullptr);
    rw_texture* sign = rw_texture_create("sign", rw_raster_create(4, 4));
    rw_clump_set_texture(c, 100, sign);
    rw_clump* picture_side = rw_clump_child(c, 0);
    EXPECT_EQ(rw_clump_polygon_texture(c, 0), sign);
    EXPECT_EQ(rw_clump_polygon_texture(picture_side, 0), nullptr);

    rw_texture* picture = rw_texture_create("picture", rw_raster_create(4, 4));
    rw_clump_set_texture(c, 200, picture);
    EXPECT_EQ(rw_clump_polygon_texture(picture_side, 0), picture);

    rw_clump* copy = rw_clump_duplicate(c);
    rw_texture_destroy(sign);
    rw_texture_destroy(picture);
    rw_clump_set_texture(c, 0, nullptr);
    EXPECT_EQ(rw_clump_polygon_texture(c, 0), nullptr);
    // The copy still holds both.
    EXPECT_EQ(rw_texture_find("sign"), sign);
    EXPECT_EQ(rw_clump_polygon_texture(copy, 0), sign);
    rw_clump_destroy(copy);
    EXPECT_EQ(rw_texture_find("sign"), nullptr);
    EXPECT_EQ(rw_texture_find("picture"), nullptr);
    rw_clump_destroy(c);
}

TEST(clump, walks_styles_and_parents)
{
    rw_clump* c = read(two_quads);
    ASSERT_NE(c, nullptr);
    int visited = 0;
    rw_clump_for_all(c, [](rw_clump* k, void* user) {
        rw_clump_set_render_style(k, rw_style_selected);
        ++*static_cast<int*>(user);
        return 0;
    }, &visited);
    EXPECT_EQ(visited, 2);
    rw_clump* child = rw_clump_child(c, 0);
    EXPECT_EQ(rw_clump_render_style(child), rw_style_selected);
    EXPECT_EQ(rw_clump_parent(child), c);
    EXPECT_EQ(rw_clump_root(child), c);
    EXPECT_EQ(rw_clump_child(c, 5), nullptr);
    rw_clump_destroy(c);
}

TEST(pick, finds_the_nearer_of_two_clumps_and_its_polygon)
{
    rw_clump* near = read(two_quads);
    rw_clump* far = rw_clump_duplicate(near);
    rw_clump_set_matrix(near, glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -5)));
    rw_clump_set_matrix(far, glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -10)));
    rw_clump* scene[] = {far, near};
    rw_pick_result hit{};
    ASSERT_EQ(rw_pick_ray(scene, 2, glm::vec3(0.5f, 0.5f, 0), glm::vec3(0, 0, -1), &hit), 1);
    // The child quad of the near clump is in front, at z = -4.
    EXPECT_EQ(hit.clump, rw_clump_child(near, 0));
    EXPECT_EQ(hit.polygon, 0);
    EXPECT_NEAR(hit.distance, 4.0f, 1e-4f);
    EXPECT_NEAR(hit.point.z, -4.0f, 1e-4f);

    // Moved aside, the near one lets the far one be hit.
    rw_clump_set_matrix(near, glm::translate(glm::mat4(1.0f), glm::vec3(5, 0, -5)));
    ASSERT_EQ(rw_pick_ray(scene, 2, glm::vec3(0.5f, 0.5f, 0), glm::vec3(0, 0, -1), &hit), 1);
    EXPECT_EQ(rw_clump_root(hit.clump), far);

    // Lines and points have no face to hit: a wireframe in front is passed.
    rw_clump* lines = read(std::string("geometrysampling wireframe\n") + two_quads);
    rw_clump* with_lines[] = {far, lines};
    ASSERT_EQ(rw_pick_ray(with_lines, 2, glm::vec3(0.5f, 0.5f, 0), glm::vec3(0, 0, -1), &hit), 1);
    EXPECT_EQ(rw_clump_root(hit.clump), far);
    rw_clump_destroy(lines);

    // Faces seen from behind are not hit; a miss reports nothing.
    EXPECT_EQ(rw_pick_ray(scene, 2, glm::vec3(0.5f, 0.5f, -20), glm::vec3(0, 0, 1), &hit), 0);
    EXPECT_EQ(rw_pick_ray(scene, 2, glm::vec3(3, 3, 0), glm::vec3(0, 0, -1), &hit), 0);
    EXPECT_EQ(rw_pick_ray(scene, 2, glm::vec3(0.5f, 0.5f, 0), glm::vec3(0, 0, 0), &hit), 0);
    rw_clump_destroy(near);
    rw_clump_destroy(far);
}

TEST(pick, double_sided_faces_are_hit_from_behind)
{
    rw_clump* c = read("materialmode double\nvertex 0 0 0\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nquad 1 2 3 4\n");
    ASSERT_NE(c, nullptr);
    rw_pick_result hit{};
    EXPECT_EQ(rw_pick_ray(&c, 1, glm::vec3(0.5f, 0.5f, -3), glm::vec3(0, 0, 2), &hit), 1);
    EXPECT_NEAR(hit.distance, 1.5f, 1e-4f);
    rw_clump_destroy(c);
}
