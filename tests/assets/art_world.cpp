#include "assets/art_world.h"

#include <unistd.h>

#include <chrono>

#include "assets/chunk.h"
#include "assets/download.h"
#include "assets/http.h"
#include "assets/image.h"
#include "assets/model.h"
#include "assets/texture.h"
#include "base/file.h"
#include "base/main.h"
#include "base/profile.h"
#include "world/database.h"

art_world::art_world()
{
    server_ = std::make_unique<http_server>(
        [this](const http_server::request& r) { return answer(r); });
    dir.write("vireo.ini", "");
    profile_init(dir.path().c_str(), "/vireo.ini");
    main_set_directory(dir.path().c_str());
    database_init();
    http_init(400);
    model_init();
    open();
}

art_world::~art_world()
{
    model_term();
    texture_reset();
    image_reset();
    download_term();
    chunk_term();
    http_term();
    file_term();
}

void art_world::open()
{
    download_init();
    std::string path = server_->host() + "/world";
    download_set_path(path.c_str(), static_cast<int>(path.size()));
    download_set_refresh(480);
    chunk_reset();
}

void art_world::restart()
{
    model_reset();
    texture_reset();
    image_reset();
    download_term();
    chunk_term();
    file_term();
    open();
}

void art_world::put(const std::string& path, const std::string& body, const std::string& date)
{
    std::lock_guard<std::mutex> lock(mutex_);
    file& f = files_["/world/" + path];
    f.body = body;
    f.date = date;
}

void art_world::stall(const std::string& path, int stalls)
{
    std::lock_guard<std::mutex> lock(mutex_);
    files_["/world/" + path].stalls = stalls;
}

int art_world::asked(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = files_.find("/world/" + path);
    return it == files_.end() ? 0 : it->second.asked;
}

http_server::response art_world::answer(const http_server::request& request)
{
    std::lock_guard<std::mutex> lock(mutex_);
    file& f = files_[request.path];
    ++f.asked;
    http_server::response r;
    if (f.body.empty()) {
        r.status = 404;
        return r;
    }
    if (f.stalls > 0) {
        --f.stalls;
        r.stall = true;
        r.body = f.body;
        return r;
    }
    auto since = request.headers.find("if-modified-since");
    if (since != request.headers.end() && since->second == f.date) {
        r.status = 304;
        return r;
    }
    r.body = f.body;
    r.headers.push_back("Last-Modified: " + f.date);
    return r;
}

bool art_world::pump(const std::function<bool()>& done)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        frames(1);
        usleep(2000);
    }
    return true;
}

void art_world::frames(int count)
{
    for (int i = 0; i < count; ++i) {
        http_update();
        download_update();
        image_update();
        model_flush();
    }
}

std::string art_world::cache(const std::string& relative) const
{
    return std::string(download_cache_path()) + "/" + relative;
}
