// A texture's whole way in: from texture_download of a texture in no store,
// through the download, the conversion and the finish, until it is ready;
// set against the later load of the same texture from the texture store.
//
// Caches are warm: the server runs on this machine over a kept-alive
// connection, the JPEG decoder is made once and reused, and the operating
// system's file cache holds the stores. Each round of the first benchmark
// asks for a name never seen before, so the registry, the texture store and
// the download dates are cold for it and every step is done in full.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/chunk.h"
#include "assets/download.h"
#include "assets/http.h"
#include "assets/image.h"
#include "assets/texture.h"
#include "base/file.h"
#include "bench_home.h"
#include "sample_jpeg.h"
#include "support/http_server.h"
#include "world/database.h"

namespace {

// The art side of a program on a cache folder of its own, its world's
// textures all served as the same JPEG; everything it made goes with it.
class texture_world {
public:
    texture_world()
        : jpeg_(sample_jpeg().begin(), sample_jpeg().end()),
          server_([this](const http_server::request&) { return http_server::file(jpeg_); })
    {
        database_init();
        http_init(0);
        download_init();
        std::string path = server_.host() + "/world";
        download_set_path(path.c_str(), static_cast<int>(path.size()));
        chunk_reset();
    }
    ~texture_world()
    {
        texture_reset();
        image_term();
        download_term();
        chunk_term();
        http_term();
        file_term();
    }
    texture_world(const texture_world&) = delete;
    texture_world& operator=(const texture_world&) = delete;

    // Frames until the texture is ready; false after ten seconds.
    static bool wait_ready(const texture_entry* entry)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!texture_ready(entry)) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            http_update();
            download_update();
            image_update();
        }
        return true;
    }

private:
    bench_home home_;
    std::string jpeg_;
    http_server server_;
};

void first_load(benchmark::State& state)
{
    texture_world world;
    int round = 0;
    for (auto _ : state) {
        std::string name = "t" + std::to_string(round++);
        if (!texture_world::wait_ready(texture_download(name.c_str(), nullptr, nullptr))) {
            state.SkipWithError("a texture did not become ready");
            break;
        }
    }
}
BENCHMARK(first_load)->Unit(benchmark::kMillisecond)->UseRealTime();

// A later session: the registry is empty and the stored texture is ready
// at once; its refresh request is dropped unsent.
void later_load(benchmark::State& state)
{
    texture_world world;
    if (!texture_world::wait_ready(texture_download("stored", nullptr, nullptr))) {
        state.SkipWithError("the texture did not become ready");
        return;
    }
    for (auto _ : state) {
        download_reset();
        texture_reset();
        texture_entry* entry = texture_download("stored", nullptr, nullptr);
        if (!texture_ready(entry)) {
            state.SkipWithError("the texture was not in the store");
            break;
        }
    }
}
BENCHMARK(later_load)->Unit(benchmark::kMicrosecond);

}  // namespace
