#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "assets/art_world.h"
#include "assets/chunk.h"
#include "assets/download.h"
#include "assets/model.h"
#include "render/clump.h"
#include "support/archive.h"
#include "world/world.h"

namespace {

// A unit box, textured when a texture is named.
std::string box_rwx(const std::string& texture_line, const std::string& extra = "")
{
    return "ModelBegin\nClumpBegin\n" + extra + texture_line +
           "\nVertex 0 0 0 UV 0 0\nVertex 1 0 0 UV 1 0\nVertex 1 2 0 UV 1 1\nVertex 0 2 0 UV 0 1\n"
           "Quad 1 2 3 4\nClumpEnd\nModelEnd\n";
}

bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

}  // namespace

TEST(model_registry, a_missing_archive_leaves_the_placeholder_for_good)
{
    art_world world;
    model_instance* ghost = model_reference("models", "ghost.rwx", nullptr);
    ASSERT_NE(ghost, nullptr);
    ASSERT_TRUE(world.pump([] { return download_count() == 0; }));
    world.frames(3);
    EXPECT_EQ(model_look(ghost), model_look_placeholder);
    EXPECT_EQ(rw_clump_triangle_count(model_clump(ghost)), 1);
    float height = 0;
    EXPECT_EQ(model_height(ghost, &height), 0);
    model_dereference(ghost);
}

TEST(model_registry, a_textured_model_goes_flat_then_whole_and_comes_from_the_store_next_time)
{
    art_world world;
    world.put("models/Hut.zip", zip_archive("Hut.rwx", box_rwx("Texture wood.jpg")));
    world.put("textures/wood.jpg", jpeg_image(16, 16, 0x996633, 0x996633));
    world.stall("textures/wood.jpg", 1);
    model_instance* hut = model_reference("models", "Hut.rwx", nullptr);
    EXPECT_EQ(model_look(hut), model_look_placeholder);
    // While the texture stalls the model shows untextured.
    ASSERT_TRUE(world.pump([&] { return model_look(hut) == model_look_flat; }));
    EXPECT_EQ(rw_clump_polygon_texture(model_clump(hut), 0), nullptr);
    EXPECT_TRUE(chunk_exists("hut", "modelsflat"));
    ASSERT_TRUE(world.pump([&] { return model_look(hut) == model_look_full; }));
    EXPECT_NE(rw_clump_polygon_texture(model_clump(hut), 0), nullptr);
    EXPECT_TRUE(model_is_ready(hut));
    EXPECT_FALSE(chunk_exists("hut", "modelsflat"));
    // Measured from the whole model.
    float height = 0, base = 1;
    ASSERT_EQ(model_height(hut, &height), 1);
    EXPECT_FLOAT_EQ(height, 2.0f);
    ASSERT_EQ(model_base(hut, &base), 1);
    EXPECT_FLOAT_EQ(base, 0.0f);
    // The unpacked file is not kept.
    EXPECT_FALSE(exists(world.cache("models/Hut.rwx")));

    // Another spelling of the name is the same model: nothing is fetched.
    model_instance* same = model_reference("models", "HUT", nullptr);
    EXPECT_EQ(model_look(same), model_look_full);
    EXPECT_EQ(world.asked("models/Hut.zip") + world.asked("models/HUT.zip"), 1);
    model_dereference(same);
    model_dereference(hut);

    // Next session: whole at once, from the store, with no file to parse.
    world.restart();
    model_instance* again = model_reference("models", "hut.rwx", nullptr);
    world.frames(1);
    EXPECT_EQ(model_look(again), model_look_full);
    EXPECT_NE(rw_clump_polygon_texture(model_clump(again), 0), nullptr);
    EXPECT_EQ(world.asked("textures/wood.jpg"), 2);
    model_dereference(again);
}

TEST(model_registry, axis_aligned_models_skip_the_flat_version)
{
    art_world world;
    world.put("models/sign.zip",
              zip_archive("sign.rwx", box_rwx("Texture sign", "AxisAlignment ZOrientY\n")));
    world.put("textures/sign.jpg", jpeg_image(8, 8, 0xFFFFFF, 0xFFFFFF));
    world.stall("textures/sign.jpg", 1);
    model_instance* sign = model_reference("models", "sign", nullptr);
    bool went_flat = false;
    ASSERT_TRUE(world.pump([&] {
        went_flat |= model_look(sign) == model_look_flat;
        return model_look(sign) == model_look_full;
    }));
    EXPECT_FALSE(went_flat);
    EXPECT_EQ(rw_clump_axis_alignment(model_clump(sign)), rw_align_z_orient_y);
    model_dereference(sign);
}

TEST(model_registry, long_names_share_their_first_twenty_characters)
{
    art_world world;
    world.put("models/abcdefghijklmnopqrstuvwxyz.zip",
              zip_archive("abcdefghijklmnopqrstuvwxyz.rwx", box_rwx("")));
    model_instance* a = model_reference("models", "abcdefghijklmnopqrstuvwxyz.rwx", nullptr);
    model_instance* b = model_reference("models", "abcdefghijklmnopqrstOTHER", nullptr);
    ASSERT_TRUE(world.pump([&] { return model_look(b) == model_look_full; }));
    EXPECT_EQ(model_look(a), model_look_full);
    EXPECT_EQ(world.asked("models/abcdefghijklmnopqrstOTHER.zip"), 0);
    model_dereference(a);
    model_dereference(b);
}

TEST(model_registry, an_encrypted_model_is_never_left_readable_on_disk)
{
    art_world world;
    world_set_object_password("secret");
    model_set_keep_files(1);
    world.put("models/vault.zip", zip_archive("vault.rwx", box_rwx(""), "secret"));
    model_instance* vault = model_reference("models", "vault", nullptr);
    bool seen_on_disk = false;
    ASSERT_TRUE(world.pump([&] {
        seen_on_disk |= exists(world.cache("models/vault.rwx"));
        return model_look(vault) == model_look_full;
    }));
    EXPECT_FALSE(seen_on_disk);
    EXPECT_FALSE(exists(world.cache("models/vault.rwx")));
    model_dereference(vault);

    // Without the keep option plain models go too; with it they stay.
    world.put("models/open.zip", zip_archive("open.rwx", box_rwx("")));
    model_instance* open = model_reference("models", "open", nullptr);
    ASSERT_TRUE(world.pump([&] { return model_look(open) == model_look_full; }));
    EXPECT_TRUE(exists(world.cache("models/open.rwx")));
    model_dereference(open);
    model_set_keep_files(0);
    world_set_object_password("");
}

TEST(model_registry, without_keep_rwx_a_model_waiting_for_its_textures_is_held_in_memory_only)
{
    art_world world;
    world.put("models/shed.zip", zip_archive("shed.rwx", box_rwx("Texture plank")));
    world.put("textures/plank.jpg", jpeg_image(8, 8, 0x996633, 0x996633));
    world.stall("textures/plank.jpg", 1);
    model_instance* shed = model_reference("models", "shed", nullptr);
    ASSERT_TRUE(world.pump([&] { return model_look(shed) == model_look_flat; }));
    EXPECT_FALSE(exists(world.cache("models/shed.rwx")));
    ASSERT_TRUE(world.pump([&] { return model_look(shed) == model_look_full; }));
    EXPECT_NE(rw_clump_polygon_texture(model_clump(shed), 0), nullptr);
    EXPECT_FALSE(exists(world.cache("models/shed.rwx")));
    model_dereference(shed);
}
