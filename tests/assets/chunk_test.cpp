#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/chunk.h"
#include "assets/download.h"
#include "base/main.h"
#include "render/clump.h"
#include "render/raster.h"
#include "render/rwx.h"
#include "render/texture.h"
#include "support/temp_dir.h"
#include "world/database.h"

namespace {

rw_clump* triangle()
{
    const char* text = "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\ntriangle 1 2 3 tag 100\n";
    return rw_rwx_read(text, std::strlen(text));
}

// The stores of an object path in a program folder of the test's own.
class chunks : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(database_init(), 1);
        main_set_directory(dir.path().c_str());
        download_init();
        download_set_path("example.org:80/world", 20);
        chunk_reset();
    }
    void TearDown() override
    {
        chunk_term();
        download_term();
    }

    temp_dir dir;
};

}  // namespace

TEST_F(chunks, the_object_path_gets_its_folders)
{
    std::string folder = dir.path() + "/cache/art/example.org-80-world";
    EXPECT_STREQ(download_cache_path(), folder.c_str());
    for (const char* sub : {"/models", "/textures", "/avatars", "/seqs", "/sounds", "/model.db",
                            "/texture.db", "/download.db"})
        EXPECT_EQ(access((folder + sub).c_str(), F_OK), 0) << sub;
}

TEST_F(chunks, a_model_comes_back_with_its_header)
{
    ASSERT_EQ(chunk_create(triangle(), "\x01\x05stone", 7, "models", "tree"), chunk_stored);
    EXPECT_EQ(chunk_exists("models", "tree"), 1);
    uint8_t* header = nullptr;
    size_t length = 0;
    ASSERT_EQ(chunk_header("models", "tree", &header, &length), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header), length), "\x01\x05stone");
    std::free(header);
    rw_clump* c = chunk_load("models", "tree");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(rw_clump_polygon_tag(c, 0), 100);
    rw_clump_destroy(c);
    chunk_delete("models", "tree");
    EXPECT_EQ(chunk_exists("models", "tree"), 0);
    EXPECT_EQ(chunk_load("models", "tree"), nullptr);
    EXPECT_EQ(chunk_create(nullptr, "", 0, "models", "none"), chunk_no_clump);
}

TEST_F(chunks, keys_are_at_most_32_characters)
{
    std::string name32(26, 'n');
    ASSERT_EQ(chunk_create(triangle(), "h", 1, "models", name32.c_str()), chunk_stored);
    EXPECT_EQ(chunk_exists("models", name32.c_str()), 1);
    std::string name33 = name32 + "x";
    EXPECT_EQ(chunk_create(triangle(), "h", 1, "models", name33.c_str()), chunk_key_too_large);
    EXPECT_EQ(chunk_exists("models", name33.c_str()), 0);
    // The short key is padded with blanks, so it is another key.
    EXPECT_EQ(chunk_exists("models", "n"), 0);
}

TEST_F(chunks, a_record_that_is_no_clump_is_deleted_on_first_load)
{
    ASSERT_EQ(chunk_create(triangle(), "h", 1, "models", "bad"), chunk_stored);
    // Overwrite the record through a store of our own on the same file,
    // while the chunk layer has its stores closed.
    chunk_term();
    database* models = database_open((std::string(download_cache_path()) + "/model").c_str(), 32,
                                     0, 16384, 4096, 1, 1);
    char key[32];
    std::memset(key, ' ', 32);
    std::memcpy(key, "modelsbad", 9);
    const char record[] = "\x01\x00hXXXXnot a clump at all";
    ASSERT_EQ(database_store(models, key, record, sizeof record), 1);
    database_close(models);
    chunk_reset();

    EXPECT_EQ(chunk_exists("models", "bad"), 1);
    EXPECT_EQ(chunk_load("models", "bad"), nullptr);
    EXPECT_EQ(chunk_exists("models", "bad"), 0);
}

TEST_F(chunks, textures_are_kept_by_name_in_the_store_and_in_files)
{
    rw_raster* r = rw_raster_create(2, 2);
    std::memset(rw_raster_pixels(r), 0x40, 16);
    rw_texture* t = rw_texture_create("bark", r);
    ASSERT_EQ(chunk_save_texture(t, "bark"), 1);
    std::string file = dir.file("bark.qob");
    ASSERT_EQ(chunk_save_texture_to_file(t, file.c_str()), 1);
    rw_texture_destroy(t);

    rw_texture* back = chunk_load_texture("bark");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(rw_raster_width(rw_texture_raster(back)), 2);
    rw_texture_destroy(back);
    rw_texture* from_file = chunk_load_texture_from_file(file.c_str());
    ASSERT_NE(from_file, nullptr);
    EXPECT_EQ(rw_raster_pixels(rw_texture_raster(from_file))[5], 0x40);
    rw_texture_destroy(from_file);

    chunk_delete_texture("bark");
    EXPECT_EQ(chunk_load_texture("bark"), nullptr);
    EXPECT_EQ(chunk_load_texture_from_file(dir.file("none.qob").c_str()), nullptr);
}

TEST_F(chunks, a_reset_removes_the_stores_of_the_old_layout)
{
    std::string folder = download_cache_path();
    temp_dir unused;
    for (const char* old : {"/models.dat", "/models.idx", "/textures.dat", "/textures.idx"}) {
        FILE* f = std::fopen((folder + old).c_str(), "w");
        std::fclose(f);
    }
    ASSERT_EQ(chunk_create(triangle(), "h", 1, "models", "kept"), chunk_stored);
    chunk_reset();
    for (const char* old : {"/models.dat", "/models.idx", "/textures.dat", "/textures.idx"})
        EXPECT_NE(access((folder + old).c_str(), F_OK), 0) << old;
    EXPECT_EQ(chunk_exists("models", "kept"), 1);
}
