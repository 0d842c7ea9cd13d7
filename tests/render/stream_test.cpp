#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "render/clump.h"
#include "render/raster.h"
#include "render/rwx.h"
#include "render/stream.h"
#include "render/texture.h"
#include "support/temp_dir.h"

namespace {

const char* model =
    "clumpbegin\n"
    "color 0.25 0.5 0.75\nsurface 0.1 0.2 0.3\nopacity 0.5\ntexture wood mask woodm\n"
    "texturemodes foreshorten filter\nlightsampling vertex\ngeometrysampling wireframe\n"
    "materialmodes double\ntextureaddressmode clamp\n"
    "vertex 0 0 0 uv 0 1\nvertex 1 0 0 uv 1 1 normal 0 0 1\nvertex 1 1 0\nvertex 0 1 0\n"
    "quad 1 2 3 4 tag 100\n"
    "clumpbegin\ntag 4\naxisalignment zorienty\ncollision off\ntranslate 0 2 0\nblock 1 1 1\nclumpend\n"
    "clumpend\n";

std::vector<uint8_t> to_bytes(const rw_clump* c)
{
    rw_stream* s = rw_stream_open_memory();
    EXPECT_EQ(rw_stream_write_clump(s, c), 0);
    size_t size;
    const uint8_t* data = rw_stream_data(s, &size);
    std::vector<uint8_t> bytes(data, data + size);
    rw_stream_close(s);
    return bytes;
}

rw_clump* from_bytes(const std::vector<uint8_t>& bytes, size_t size)
{
    rw_stream* s = rw_stream_open_memory_read(bytes.data(), size);
    rw_clump* c = rw_stream_read_clump(s);
    rw_stream_close(s);
    return c;
}

}  // namespace

TEST(stream, a_clump_comes_back_with_the_same_geometry_and_materials)
{
    rw_texture* wood = rw_texture_create("wood", rw_raster_create(2, 2));
    rw_clump* original = rw_rwx_read(model, std::strlen(model));
    ASSERT_NE(original, nullptr);
    std::vector<uint8_t> bytes = to_bytes(original);
    ASSERT_GT(bytes.size(), 12u);
    uint32_t type;
    std::memcpy(&type, bytes.data(), 4);
    EXPECT_EQ(type, rw_chunk_clump);

    rw_clump* copy = from_bytes(bytes, bytes.size());
    ASSERT_NE(copy, nullptr);
    // Written again, the copy gives the very same bytes: nothing was lost.
    EXPECT_EQ(to_bytes(copy), bytes);
    EXPECT_EQ(rw_clump_polygon_tag(copy, 0), 100);
    EXPECT_EQ(rw_clump_polygon_texture(copy, 0), wood);
    rw_clump* child = rw_clump_find_tag(copy, 4);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(rw_clump_axis_alignment(child), rw_align_z_orient_y);
    EXPECT_EQ(rw_clump_collision(child), 0);
    EXPECT_EQ(rw_clump_polygon_count(child), 6);
    EXPECT_NEAR(rw_clump_world_vertices(child)[1], 1.5f, 1e-5f);
    rw_clump_destroy(original);
    rw_clump_destroy(copy);
    rw_texture_destroy(wood);
}

// A zero scale leaves vertex normals without a direction: the model must
// still come back from its stream.
TEST(stream, a_model_flattened_by_a_zero_scale_comes_back)
{
    const char* flat =
        "protobegin leaf\nvertex 0 0 0 normal 1 0 0\nvertex 0 1 0 normal 1 0 0\n"
        "vertex 0 0 1 normal 0 1 0\ntriangle 1 2 3\nprotoend\n"
        "clumpbegin\nscale 0 -1 1\nprotoinstance leaf\n"
        "vertex 0 0 0 normal 1 0 0\nvertex 0 1 0 normal 1 1 0\nvertex 0 0 1\ntriangle 1 2 3\n"
        "clumpend\n";
    rw_clump* original = rw_rwx_read(flat, std::strlen(flat));
    ASSERT_NE(original, nullptr);
    ASSERT_EQ(rw_clump_polygon_count(original), 2);
    std::vector<uint8_t> bytes = to_bytes(original);
    rw_clump* copy = from_bytes(bytes, bytes.size());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(to_bytes(copy), bytes);
    rw_clump_destroy(original);
    rw_clump_destroy(copy);
}

TEST(stream, truncated_or_foreign_chunks_give_nothing)
{
    rw_clump* original = rw_rwx_read(model, std::strlen(model));
    std::vector<uint8_t> bytes = to_bytes(original);
    rw_clump_destroy(original);
    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_EQ(from_bytes(bytes, size), nullptr) << size;

    // Another chunk type, another version, a length beyond the bytes.
    for (size_t at : {0, 8, 4}) {
        std::vector<uint8_t> bad = bytes;
        bad[at] ^= 0x01;
        if (at == 4)
            bad[7] = 0x7f;
        EXPECT_EQ(from_bytes(bad, bad.size()), nullptr) << at;
    }
    // A vertex index pointing past the vertices is inconsistent.
    std::string triangle = "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\ntriangle 1 2 3\n";
    rw_clump* tiny = rw_rwx_read(triangle.data(), triangle.size());
    ASSERT_EQ(rw_clump_polygon_count(tiny), 1);
    std::vector<uint8_t> small = to_bytes(tiny);
    rw_clump_destroy(tiny);
    std::vector<uint8_t> corners = {0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0};
    auto it = std::find_end(small.begin() + 12, small.end(), corners.begin(), corners.end());
    ASSERT_NE(it, small.end());
    it[8] = 9;
    EXPECT_EQ(from_bytes(small, small.size()), nullptr);

    rw_stream* s = rw_stream_open_memory_read(nullptr, 0);
    EXPECT_EQ(rw_stream_read_texture(s), nullptr);
    rw_stream_close(s);
}

TEST(stream, a_texture_keeps_its_pixels_mask_and_name_in_a_file)
{
    temp_dir dir;
    rw_raster* raster = rw_raster_create(2, 1);
    uint8_t* p = rw_raster_pixels(raster);
    const uint8_t pixels[8] = {10, 20, 30, 255, 40, 50, 60, 255};
    std::memcpy(p, pixels, 8);
    rw_raster* mask = rw_raster_create(2, 1);
    std::memset(rw_raster_pixels(mask) + 4, 255, 4);  // left dark, right light
    rw_texture* t = rw_texture_create("Brick.jpg", raster);
    rw_texture_mask(t, mask);
    rw_raster_destroy(mask);

    std::string path = dir.file("brick.qob");
    rw_stream* out = rw_stream_open_file(path.c_str(), 1);
    ASSERT_EQ(rw_stream_write_texture(out, t), 0);
    ASSERT_EQ(rw_stream_close(out), 0);
    rw_texture_destroy(t);
    EXPECT_EQ(rw_texture_find("brick"), nullptr);

    rw_stream* in = rw_stream_open_file(path.c_str(), 0);
    ASSERT_NE(in, nullptr);
    rw_texture* back = rw_stream_read_texture(in);
    rw_stream_close(in);
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(rw_texture_name(back), "brick");
    EXPECT_EQ(rw_texture_find("BRICK"), back);
    EXPECT_EQ(rw_texture_masked(back), 1);
    const uint8_t* q = rw_raster_pixels(rw_texture_raster(back));
    const uint8_t expected[8] = {10, 20, 30, 0, 40, 50, 60, 255};
    EXPECT_EQ(std::memcmp(q, expected, 8), 0);
    rw_texture_destroy(back);

    EXPECT_EQ(rw_stream_open_file(dir.file("missing").c_str(), 0), nullptr);
}
