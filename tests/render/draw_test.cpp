#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "render/camera.h"
#include "render/clump.h"
#include "render/raster.h"
#include "render/render.h"
#include "render/rwx.h"
#include "render/scene.h"
#include "render/texture.h"
#include "support/gl_context.h"
#include "support/reference_image.h"

namespace {

constexpr int width = 64;
constexpr int height = 48;

struct rgb {
    int r, g, b;
};

// Each test draws into a small camera of its own that looks from +Z at
// the origin; clumps and textures it makes are freed with it.
class draw : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!gl_context_open())
            GTEST_SKIP() << "no OpenGL 3.3 context here";
        camera = rw_camera_create(width, height);
        ASSERT_NE(camera, nullptr);
        rw_camera_set_view(camera, {0, 0, 3}, {0, 0, -1}, {0, 1, 0});
        rw_camera_set_view_window(camera, 0.5f, 0.375f);
        rw_camera_set_background(camera, 0.0f, 0.0f, 0.7f);
        scene = rw_scene_create();
        rw_scene_set_light(scene, {-0.8f, -0.5f, -0.2f}, 1.0f);
    }

    void TearDown() override
    {
        for (rw_clump* c : clumps)
            rw_clump_destroy(c);
        for (rw_texture* t : textures)
            rw_texture_destroy(t);
        rw_scene_destroy(scene);
        rw_camera_destroy(camera);
    }

    rw_clump* add(const std::string& rwx, rw_scene* to = nullptr)
    {
        rw_clump* c = rw_rwx_read(rwx.data(), rwx.size());
        EXPECT_NE(c, nullptr) << rwx;
        if (c) {
            clumps.push_back(c);
            rw_scene_add_clump(to ? to : scene, c);
        }
        return c;
    }

    rw_texture* texture(const char* name, int w, int h, const std::vector<uint32_t>& pixels)
    {
        rw_raster* r = rw_raster_create(w, h);
        uint8_t* p = rw_raster_pixels(r);
        for (size_t i = 0; i < pixels.size(); ++i) {
            p[i * 4] = static_cast<uint8_t>(pixels[i] >> 16);
            p[i * 4 + 1] = static_cast<uint8_t>(pixels[i] >> 8);
            p[i * 4 + 2] = static_cast<uint8_t>(pixels[i]);
            p[i * 4 + 3] = 255;
        }
        rw_texture* t = rw_texture_create(name, r);
        textures.push_back(t);
        return t;
    }

    std::vector<uint8_t> render(const std::vector<rw_scene*>& scenes = {})
    {
        EXPECT_EQ(rw_camera_begin_update(camera), 0);
        for (rw_scene* s : scenes.empty() ? std::vector<rw_scene*>{scene} : scenes) {
            EXPECT_EQ(rw_scene_render(s, camera), 0);
        }
        rw_camera_end_update(camera);
        std::vector<uint8_t> image(static_cast<size_t>(width) * height * 4);
        EXPECT_EQ(rw_camera_read_pixels(camera, image.data()), 0);
        return image;
    }

    static rgb at(const std::vector<uint8_t>& image, int x, int y)
    {
        const uint8_t* p = image.data() + (static_cast<size_t>(y) * width + x) * 4;
        return {p[0], p[1], p[2]};
    }

    static void expect_color(const std::vector<uint8_t>& image, int x, int y, rgb want,
                             int tolerance = 12)
    {
        rgb got = at(image, x, y);
        EXPECT_NEAR(got.r, want.r, tolerance) << "at " << x << ", " << y;
        EXPECT_NEAR(got.g, want.g, tolerance) << "at " << x << ", " << y;
        EXPECT_NEAR(got.b, want.b, tolerance) << "at " << x << ", " << y;
    }

    static void expect_reference(const char* name, const std::vector<uint8_t>& image)
    {
        EXPECT_EQ(reference_image_compare(name, image, width, height), "");
    }

    rw_camera* camera = nullptr;
    rw_scene* scene = nullptr;
    std::vector<rw_clump*> clumps;
    std::vector<rw_texture*> textures;
};

// A quad of the given half size facing +Z at depth z, with its material
// lines before it.
std::string quad(float half, float z, const std::string& material)
{
    std::string h = std::to_string(half), d = std::to_string(z);
    return material + "\nvertex -" + h + " -" + h + " " + d + " uv 0 1\n" + "vertex " + h + " -" +
           h + " " + d + " uv 1 1\n" + "vertex " + h + " " + h + " " + d + " uv 1 0\n" +
           "vertex -" + h + " " + h + " " + d + " uv 0 0\n" + "quad 1 2 3 4\n";
}

const char* unlit = "surface 1 0 0\n";

}  // namespace

TEST_F(draw, a_lit_cube_shows_three_faces_of_different_brightness)
{
    rw_camera_set_view(camera, {2, 1.5f, 3}, {-2, -1.5f, -3}, {0, 1, 0});
    add("color 1 0.5 0.25\nsurface 0.3 0.7 0\nblock 1 1 1\n");
    std::vector<uint8_t> image = render();
    expect_color(image, 0, 0, {0, 0, 178});
    // The light shines along (-0.8, -0.5, -0.2): the +X side faces it
    // most, then the top, then the front.
    rgb top = at(image, 30, 14), front = at(image, 24, 30), side = at(image, 40, 30);
    EXPECT_GT(side.r, top.r);
    EXPECT_GT(top.r, front.r);
    EXPECT_GT(front.r, 60);
    EXPECT_NEAR(top.g * 2, top.r, 6);
    expect_reference("lit_cube", image);
}

TEST_F(draw, textures_show_on_quads_and_masks_cut_them)
{
    // A 2 x 2 texture: red, green over blue, white.
    rw_texture* t = texture("checker", 2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    rw_clump* c = add(quad(0.5f, 0, std::string(unlit) + "color 1 1 1\ntexture checker\ntexturemodes null"));
    rw_clump_set_texture(c, 0, t);
    rw_clump_set_matrix(c, glm::translate(glm::mat4(1.0f), glm::vec3(-0.7f, 0, 0)));

    // The same quad on the right, masked where the mask is dark (the top left).
    rw_texture* m = texture("masked", 2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    rw_raster* mask = rw_raster_create(2, 2);
    std::memset(rw_raster_pixels(mask) + 4, 255, 12);
    rw_texture_mask(m, mask);
    rw_raster_destroy(mask);
    rw_clump* d = add(quad(0.5f, 0, std::string(unlit) + "color 1 1 1\ntexture masked\ntexturemodes null"));
    rw_clump_set_texture(d, 0, m);
    rw_clump_set_matrix(d, glm::translate(glm::mat4(1.0f), glm::vec3(0.7f, 0, 0)));

    std::vector<uint8_t> image = render();
    // Left quad spans x 3..24, y 13..34 at this size.
    expect_color(image, 8, 18, {255, 0, 0});
    expect_color(image, 19, 18, {0, 255, 0});
    expect_color(image, 8, 29, {0, 0, 255});
    expect_color(image, 19, 29, {255, 255, 255});
    // Right quad: its top-left is cut away, the rest stays.
    expect_color(image, 44, 18, {0, 0, 178});
    expect_color(image, 55, 18, {0, 255, 0});
    expect_color(image, 44, 29, {0, 0, 255});
    expect_reference("textured_and_masked", image);
}

TEST_F(draw, transparent_parts_blend_over_what_is_behind_them_nearest_last)
{
    rw_camera_set_background(camera, 1, 1, 1);
    // Added near first, so the order must come from sorting by depth.
    // Seen from 2, 2.5 and 3 units away, the quads reach 6, 15 and 12
    // pixels from the middle.
    add(quad(0.2f, 1.0f, std::string(unlit) + "color 0 0 1\nopacity 0.5"));
    add(quad(0.6f, 0.5f, std::string(unlit) + "color 0 1 0\nopacity 0.5"));
    add(quad(0.55f, 0.0f, std::string(unlit) + "color 1 0 0"));
    std::vector<uint8_t> image = render();
    // Blue over green over red in the middle; green over red beside it;
    // green over white at the edge; white outside.
    expect_color(image, 32, 24, {64, 64, 128}, 16);
    expect_color(image, 32 - 9, 24, {128, 128, 0}, 16);
    expect_color(image, 32 - 14, 24, {128, 255, 128}, 16);
    expect_color(image, 2, 24, {255, 255, 255}, 4);
    expect_reference("transparency", image);
}

TEST_F(draw, a_backdrop_repeats_sideways_from_its_offset)
{
    // Eight columns of grey levels, four rows tall.
    rw_raster* backdrop = rw_raster_create(8, 4);
    uint8_t* p = rw_raster_pixels(backdrop);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            uint8_t* q = p + (y * 8 + x) * 4;
            q[0] = q[1] = q[2] = static_cast<uint8_t>(x * 32);
            q[3] = 255;
        }
    }
    rw_camera_set_backdrop(camera, backdrop);
    rw_camera_set_backdrop_offset(camera, -3, 0);
    rw_camera_set_backdrop_rect(camera, 0, 10, width, 4);
    std::vector<uint8_t> image = render();
    expect_color(image, 0, 10, {96, 96, 96}, 2);
    expect_color(image, 4, 13, {224, 224, 224}, 2);
    expect_color(image, 5, 12, {0, 0, 0}, 2);
    expect_color(image, 63, 11, {64, 64, 64}, 2);
    // Above and below the rectangle the background shows.
    expect_color(image, 0, 9, {0, 0, 178}, 2);
    expect_color(image, 0, 14, {0, 0, 178}, 2);
    expect_reference("backdrop", image);
    rw_camera_set_backdrop(camera, nullptr);
    rw_raster_destroy(backdrop);
}

TEST_F(draw, new_pixels_for_a_texture_change_every_clump_that_shows_it)
{
    rw_texture* t = texture("shared", 1, 1, {0xFF0000});
    for (float x : {-0.6f, 0.6f}) {
        rw_clump* c = add(quad(0.4f, 0, std::string(unlit) + "color 1 1 1\ntexturemodes null"));
        rw_clump_set_texture(c, 0, t);
        rw_clump_set_matrix(c, glm::translate(glm::mat4(1.0f), glm::vec3(x, 0, 0)));
    }
    std::vector<uint8_t> before = render();
    expect_color(before, 12, 24, {255, 0, 0});
    expect_color(before, 52, 24, {255, 0, 0});
    rw_raster* green = rw_raster_create(1, 1);
    std::memcpy(rw_raster_pixels(green), "\x00\xff\x00\xff", 4);
    ASSERT_EQ(rw_texture_set_raster(t, green), 0);
    std::vector<uint8_t> after = render();
    expect_color(after, 12, 24, {0, 255, 0});
    expect_color(after, 52, 24, {0, 255, 0});
}

TEST_F(draw, an_animated_texture_steps_through_its_frames)
{
    // Two square frames stacked: red over green.
    rw_texture* t = texture("flip", 2, 4, {0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000,
                                           0x00FF00, 0x00FF00, 0x00FF00, 0x00FF00});
    ASSERT_EQ(rw_texture_frame_count(t), 2);
    rw_clump* c = add(quad(0.5f, 0, std::string(unlit) + "color 1 1 1\ntexturemodes null"));
    rw_clump_set_texture(c, 0, t);
    expect_color(render(), 32, 24, {255, 0, 0});
    rw_textures_advance();
    EXPECT_EQ(rw_texture_frame(t), 1);
    std::vector<uint8_t> second = render();
    expect_color(second, 32, 24, {0, 255, 0});
    expect_color(second, 25, 17, {0, 255, 0});
    expect_reference("animated_second_frame", second);
    rw_textures_advance();
    expect_color(render(), 32, 24, {255, 0, 0});
}

TEST_F(draw, a_selected_clump_is_outlined)
{
    rw_clump* c = add(quad(0.5f, 0, std::string(unlit) + "color 0.5 0.5 0.5"));
    std::vector<uint8_t> plain = render();
    rw_clump_set_render_style(c, rw_style_selected);
    std::vector<uint8_t> selected = render();
    // The edges turn yellow; the middle stays grey.
    int yellow = 0;
    for (int x = 0; x < width; ++x) {
        rgb p = at(selected, x, 24);
        yellow += p.r > 200 && p.g > 200 && p.b < 60;
    }
    EXPECT_GE(yellow, 2);
    expect_color(selected, 32, 24, {128, 128, 128});
    EXPECT_NE(plain, selected);
    expect_reference("selected", selected);
}

TEST_F(draw, two_scenes_share_the_depth_of_one_camera)
{
    rw_scene* other = rw_scene_create();
    // The first scene: red, near on the left and far on the right.
    rw_clump* near = add(quad(0.3f, 1.0f, std::string(unlit) + "color 1 0 0"));
    rw_clump_set_matrix(near, glm::translate(glm::mat4(1.0f), glm::vec3(-0.5f, 0, 0)));
    rw_clump* far = add(quad(0.3f, -1.0f, std::string(unlit) + "color 1 0 0"));
    rw_clump_set_matrix(far, glm::translate(glm::mat4(1.0f), glm::vec3(0.5f, 0, 0)));
    // The second scene: one green band at depth 0 across both.
    add("surface 1 0 0\ncolor 0 1 0\nvertex -1 -0.1 0\nvertex 1 -0.1 0\nvertex 1 0.1 0\n"
        "vertex -1 0.1 0\nquad 1 2 3 4\n",
        other);
    std::vector<uint8_t> image = render({scene, other});
    // Red stays in front on the left; green covers the far red on the right.
    expect_color(image, 16, 24, {255, 0, 0});
    expect_color(image, 40, 24, {0, 255, 0});
    expect_color(image, 40, 20, {255, 0, 0});
    expect_reference("two_scenes", image);
    rw_scene_destroy(other);
}

TEST_F(draw, projection_and_view_rays_agree_with_the_geometry)
{
    float x = 0, y = 0;
    // The origin is in the middle; a point above it is higher in the view.
    EXPECT_EQ(rw_camera_project(camera, {0, 0, 0}, &x, &y), 1);
    EXPECT_NEAR(x, 32.0f, 1e-3f);
    EXPECT_NEAR(y, 24.0f, 1e-3f);
    EXPECT_EQ(rw_camera_project(camera, {0.5f, 0.375f, 2}, &x, &y), 1);
    EXPECT_NEAR(x, 64.0f, 1e-3f);
    EXPECT_NEAR(y, 0.0f, 1e-3f);
    EXPECT_EQ(rw_camera_project(camera, {0, 0, 4}, &x, &y), 0);

    glm::vec3 origin, direction;
    rw_camera_ray(camera, 64.0f, 0.0f, &origin, &direction);
    EXPECT_NEAR(direction.x, 0.5f, 1e-5f);
    EXPECT_NEAR(direction.y, 0.375f, 1e-5f);
    EXPECT_NEAR(direction.z, -1.0f, 1e-5f);

    rw_clump* left = add(quad(0.2f, 0, unlit));
    rw_clump_set_matrix(left, glm::translate(glm::mat4(1.0f), glm::vec3(-0.6f, 0, 0)));
    rw_clump* right = add(quad(0.2f, 0, unlit));
    rw_clump_set_matrix(right, glm::translate(glm::mat4(1.0f), glm::vec3(0.6f, 0, 0)));
    rw_pick_result hit{};
    ASSERT_EQ(rw_camera_project(camera, {0.6f, 0.1f, 0}, &x, &y), 1);
    ASSERT_EQ(rw_scene_pick(scene, camera, x, y, &hit), 1);
    EXPECT_EQ(hit.clump, right);
    EXPECT_NEAR(hit.point.x, 0.6f, 1e-4f);
    EXPECT_NEAR(hit.point.y, 0.1f, 1e-4f);
    EXPECT_EQ(rw_scene_pick(scene, camera, 32, 24, &hit), 0);
}

TEST_F(draw, clumps_out_of_view_are_not_drawn_and_alike_ones_are_drawn_together)
{
    rw_texture* t = texture("wood", 1, 1, {0x806040});
    rw_clump* model = add(quad(0.05f, 0, std::string(unlit) + "color 1 1 1"));
    rw_clump_set_texture(model, 0, t);
    for (int i = 0; i < 40; ++i) {
        rw_clump* copy = rw_clump_duplicate(model);
        clumps.push_back(copy);
        rw_clump_set_matrix(copy, glm::translate(glm::mat4(1.0f), glm::vec3((i % 8) * 0.1f - 0.35f, (i / 8) * 0.1f - 0.2f, 0)));
        rw_scene_add_clump(scene, copy);
    }
    // Ten more behind the camera.
    for (int i = 0; i < 10; ++i) {
        rw_clump* copy = rw_clump_duplicate(model);
        clumps.push_back(copy);
        rw_clump_set_matrix(copy, glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, 5)));
        rw_scene_add_clump(scene, copy);
    }
    render();
    rw_render_stats stats = rw_render_last_stats();
    EXPECT_EQ(stats.culled, 10);
    EXPECT_EQ(stats.instances, 41);
    EXPECT_EQ(stats.draw_calls, 1);
    rw_render_set_batching(0);
    render();
    EXPECT_EQ(rw_render_last_stats().draw_calls, 41);
    rw_render_set_batching(1);
}

TEST_F(draw, a_camera_that_cannot_be_made_is_reported)
{
    EXPECT_EQ(rw_camera_create(0, 10), nullptr);
    EXPECT_EQ(rw_error(), rw_error_argument);
    EXPECT_EQ(rw_camera_create(10, -1), nullptr);
    EXPECT_EQ(rw_camera_create(1 << 20, 16), nullptr);
}
