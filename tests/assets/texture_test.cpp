#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "assets/art_world.h"
#include "assets/download.h"
#include "assets/texture.h"
#include "render/raster.h"
#include "render/texture.h"
#include "support/archive.h"
#include "support/bmp_file.h"

namespace {

void count_call(void* user, int result)
{
    if (result == 0)
        ++*static_cast<int*>(user);
}

// The red channel of the texture's middle pixel.
int middle_red(const texture_entry* entry)
{
    const rw_raster* r = rw_texture_raster(texture_get(entry));
    const uint8_t* p = rw_raster_pixels(r);
    int w = rw_raster_width(r), h = rw_raster_height(r);
    return p[((h / 2) * w + w / 2) * 4];
}

bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

}  // namespace

TEST(texture_registry, a_stored_texture_is_ready_at_once_and_replaced_in_place_when_newer)
{
    art_world world;
    world.put("textures/wall.jpg", jpeg_image(32, 32, 0xFF0000, 0xFF0000));
    int calls = 0;
    texture_entry* wall = texture_download("Wall.JPG", count_call, &calls);
    ASSERT_NE(wall, nullptr);
    EXPECT_EQ(texture_download("wall", nullptr, nullptr), wall);
    EXPECT_FALSE(texture_ready(wall));
    ASSERT_TRUE(world.pump([&] { return texture_ready(wall) != 0; }));
    EXPECT_EQ(calls, 1);
    // Nobody uses it: the library's texture is gone, and so is the BMP.
    EXPECT_EQ(texture_get(wall), nullptr);
    EXPECT_FALSE(exists(world.cache("textures/wall.bmp")));

    // The next session finds it in the store, ready before any frame.
    world.restart();
    download_set_refresh(0);
    world.put("textures/wall.jpg", jpeg_image(32, 32, 0x0000FF, 0x0000FF),
              "Sun, 06 Dec 2026 10:00:00 GMT");
    calls = 0;
    wall = texture_download("wall", count_call, &calls);
    EXPECT_TRUE(texture_ready(wall));
    texture_reference(wall);
    rw_texture* shown = texture_get(wall);
    ASSERT_NE(shown, nullptr);
    EXPECT_GT(middle_red(wall), 200);
    EXPECT_EQ(world.asked("textures/wall.jpg"), 1);

    // Still asked for conditionally: the newer file replaces the pixels of
    // the same texture.
    unsigned version = rw_texture_version(shown);
    ASSERT_TRUE(world.pump([&] { return rw_texture_version(shown) != version; }));
    EXPECT_EQ(world.asked("textures/wall.jpg"), 2);
    EXPECT_EQ(texture_get(wall), shown);
    EXPECT_LT(middle_red(wall), 60);
    EXPECT_EQ(calls, 0);

    // The last user gone, the texture goes; the next comes back from the store.
    texture_dereference(wall);
    EXPECT_EQ(texture_get(wall), nullptr);
    texture_reference(wall);
    ASSERT_NE(texture_get(wall), nullptr);
    EXPECT_LT(middle_red(wall), 60);
    texture_dereference(wall);
}

TEST(texture_registry, masks_make_pixels_transparent_and_a_failed_one_leaves_the_texture_whole)
{
    art_world world;
    world.put("textures/leaf.jpg", jpeg_image(16, 16, 0x00FF00, 0x00FF00));
    world.put("textures/bark.jpg", jpeg_image(16, 16, 0x804000, 0x804000));
    // The mask's top half is black: transparent.
    std::vector<uint32_t> mask(16 * 16, 0xFFFFFF);
    std::fill(mask.begin(), mask.begin() + 16 * 8, 0x000000);
    world.put("textures/leafmask.zip", zip_archive("leafmask.bmp", bmp_file_24(16, 16, mask)));

    texture_entry* leaf = texture_download("leaf", nullptr, nullptr);
    texture_set_mask(leaf, "leafmask");
    texture_entry* bark = texture_download("bark", nullptr, nullptr);
    texture_set_mask(bark, "nomask");
    texture_reference(leaf);
    texture_reference(bark);
    ASSERT_TRUE(world.pump([&] { return texture_ready(leaf) && texture_ready(bark); }));
    EXPECT_TRUE(rw_texture_masked(texture_get(leaf)));
    const uint8_t* pixels = rw_raster_pixels(rw_texture_raster(texture_get(leaf)));
    EXPECT_EQ(pixels[3], 0);                       // top row: transparent
    EXPECT_EQ(pixels[(15 * 16) * 4 + 3], 255);     // bottom row: opaque
    EXPECT_FALSE(rw_texture_masked(texture_get(bark)));
    EXPECT_EQ(world.asked("textures/nomask.zip"), 1);
    texture_dereference(leaf);
    texture_dereference(bark);
}

TEST(texture_registry, a_failed_download_leaves_the_entry_waiting_and_keep_bmp_keeps_the_file)
{
    art_world world;
    int calls = 0;
    texture_entry* missing = texture_download("missing", count_call, &calls);
    world.frames(20);
    ASSERT_TRUE(world.pump([&] { return download_count() == 0; }));
    EXPECT_FALSE(texture_ready(missing));
    EXPECT_EQ(calls, 0);

    texture_set_keep_files(1);
    world.put("textures/kept.jpg", jpeg_image(8, 8, 0xFFFFFF, 0xFFFFFF));
    texture_entry* kept = texture_download("kept", nullptr, nullptr);
    ASSERT_TRUE(world.pump([&] { return texture_ready(kept) != 0; }));
    EXPECT_TRUE(exists(world.cache("textures/kept.bmp")));
    texture_set_keep_files(0);

    // A converted file found at start is read again rather than the store.
    world.restart();
    texture_entry* again = texture_download("kept", nullptr, nullptr);
    EXPECT_FALSE(texture_ready(again));
    ASSERT_TRUE(world.pump([&] { return texture_ready(again) != 0; }));
    EXPECT_EQ(world.asked("textures/kept.jpg"), 1);
}

TEST(texture_registry, bitmaps_reach_the_cache_only_with_keep_bmp_and_a_shared_mask_serves_all)
{
    art_world world;
    world.put("textures/fern.jpg", jpeg_image(16, 16, 0x00FF00, 0x00FF00));
    world.put("textures/palm.jpg", jpeg_image(16, 16, 0x008000, 0x008000));
    world.put("textures/ivy.jpg", jpeg_image(16, 16, 0x00C000, 0x00C000));
    world.put("textures/moss.jpg", jpeg_image(16, 16, 0x00A000, 0x00A000));
    std::vector<uint32_t> mask(16 * 16, 0xFFFFFF);
    std::fill(mask.begin(), mask.begin() + 16 * 8, 0x000000);
    world.put("textures/frond.zip", zip_archive("frond.bmp", bmp_file_24(16, 16, mask)));
    auto masked = [](const texture_entry* entry) {
        const uint8_t* pixels = rw_raster_pixels(rw_texture_raster(texture_get(entry)));
        return rw_texture_masked(texture_get(entry)) && pixels[3] == 0 &&
               pixels[(15 * 16) * 4 + 3] == 255;
    };
    // Two textures under the one mask, downloaded until both are ready.
    auto pair = [&world](const char* a, const char* b, texture_entry** first,
                         texture_entry** second) {
        *first = texture_download(a, nullptr, nullptr);
        *second = texture_download(b, nullptr, nullptr);
        EXPECT_FALSE(texture_ready(*first));
        for (texture_entry* e : {*first, *second}) {
            texture_set_mask(e, "frond");
            texture_reference(e);
        }
        return world.pump([&] { return texture_ready(*first) && texture_ready(*second); });
    };

    // Both textures take the one mask, which never touches the disk.
    texture_entry *fern = nullptr, *palm = nullptr;
    ASSERT_TRUE(pair("fern", "palm", &fern, &palm));
    EXPECT_TRUE(masked(fern));
    EXPECT_TRUE(masked(palm));
    for (const char* file : {"textures/fern.bmp", "textures/palm.bmp", "textures/frond.bmp"})
        EXPECT_FALSE(exists(world.cache(file))) << file;
    texture_dereference(fern);
    texture_dereference(palm);

    // With keep_bmp the texture's and the mask's files are written and kept.
    world.restart();
    texture_set_keep_files(1);
    texture_entry *ivy = nullptr, *moss = nullptr;
    ASSERT_TRUE(pair("ivy", "moss", &ivy, &moss));
    EXPECT_TRUE(masked(ivy));
    for (const char* file : {"textures/ivy.bmp", "textures/moss.bmp", "textures/frond.bmp"})
        EXPECT_TRUE(exists(world.cache(file))) << file;
    texture_dereference(ivy);
    texture_dereference(moss);

    // Next session all answer "current" (whatever the server holds now):
    // the kept files make the textures. Without the option the first one
    // finished deletes the mask's file, which the other still reads.
    world.put("textures/ivy.jpg", jpeg_image(16, 16, 0xFF0000, 0xFF0000));
    world.put("textures/frond.zip",
              zip_archive("frond.bmp", bmp_file_24(16, 16, std::vector<uint32_t>(256, 0xFFFFFF))));
    texture_set_keep_files(0);
    world.restart();
    download_set_refresh(0);
    ASSERT_TRUE(pair("ivy", "moss", &ivy, &moss));
    EXPECT_TRUE(masked(ivy));
    EXPECT_TRUE(masked(moss));
    EXPECT_LT(middle_red(ivy), 60);
    EXPECT_FALSE(exists(world.cache("textures/frond.bmp")));
    EXPECT_EQ(world.asked("textures/ivy.jpg"), 2);
    EXPECT_EQ(world.asked("textures/frond.zip"), 3);
    texture_dereference(ivy);
    texture_dereference(moss);
}
