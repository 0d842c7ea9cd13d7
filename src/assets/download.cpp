#include "assets/download.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/file.h"
#include "app/log.h"
#include "app/main.h"
#include "render/render.h"
#include "world/database.h"
#include "world/world.h"

namespace {

constexpr const char* default_object_path = "localhost:5680/qo";
constexpr int date_key_length = 50;
constexpr int date_record_length = 50;

struct download_state {
    std::string art_root;
    std::string object_path;
    std::string host;
    std::string path_part;
    std::string cache_folder;
    std::string world;
    bool first = true;
    database* dates = nullptr;
};

download_state state;

}  // namespace

void download_init()
{
    state.art_root = std::string(main_directory()) + "/cache/art";
    std::error_code ignored;
    std::filesystem::create_directories(state.art_root, ignored);
}

void download_update()
{
}

void download_reset()
{
}

void download_term()
{
    database_close(state.dates);
    state.dates = nullptr;
}

int download_set_path(const char* object_path, int length)
{
    std::string path = object_path && length > 0 ? std::string(object_path, static_cast<size_t>(length))
                                                  : std::string(default_object_path);
    if (log_download())
        log_write("download_set_path (%s)", path.c_str());
    state.object_path = path;
    size_t slash = path.find('/');
    state.host = path.substr(0, slash);
    state.path_part = slash == std::string::npos ? "" : path.substr(slash);
    state.cache_folder = state.art_root + "/" + file_name_from_url(path.c_str());
    mkdir(state.cache_folder.c_str(), 0755);
    for (const char* folder : {"/models", "/textures", "/avatars", "/seqs", "/sounds"})
        mkdir((state.cache_folder + folder).c_str(), 0755);
    rw_set_texture_folder((state.cache_folder + "/textures").c_str());
    database_close(state.dates);
    state.dates = database_open((state.cache_folder + "/download").c_str(), date_key_length,
                                date_record_length, 4096, 4096, 1, 0);
    std::string world = world_current_name();
    int changed = state.first || world != state.world ? 1 : 0;
    state.first = false;
    state.world = world;
    return changed;
}

const char* download_cache_path()
{
    return state.cache_folder.c_str();
}

void download_toggle()
{
}
