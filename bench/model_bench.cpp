// A model's first appearance (parsing its RWX and storing the clump) set
// against every later one (loading the stored clump): the model store is
// worth keeping only while the second is far cheaper.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "assets/chunk.h"
#include "assets/download.h"
#include "base/main.h"
#include "base/profile.h"
#include "render/clump.h"
#include "render/rwx.h"
#include "world/database.h"

namespace {

// A 24 x 24 grid of quads in four coloured clumps: 2,304 triangles, the
// size of a detailed building.
std::string grid_rwx()
{
    std::string text = "ModelBegin\n";
    for (int part = 0; part < 4; ++part) {
        text += "ClumpBegin\nColor 0." + std::to_string(part + 2) + " 0.5 0.5\nSurface 0.5 0.3 0\n";
        for (int y = 0; y <= 12; ++y)
            for (int x = 0; x <= 12; ++x)
                text += "Vertex " + std::to_string(x * 0.1) + " " + std::to_string(y * 0.1) + " " +
                        std::to_string(part * 0.1) + " UV " + std::to_string(x / 12.0) + " " +
                        std::to_string(y / 12.0) + "\n";
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                int a = y * 13 + x + 1;
                text += "Quad " + std::to_string(a) + " " + std::to_string(a + 1) + " " +
                        std::to_string(a + 14) + " " + std::to_string(a + 13) + "\n";
            }
        text += "ClumpEnd\n";
    }
    return text + "ModelEnd\n";
}

void open_stores()
{
    static bool opened = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vireo-bench-XXXXXX").string();
        std::string dir = mkdtemp(pattern.data());
        profile_init(dir.c_str(), "/vireo.ini");
        main_set_directory(dir.c_str());
        database_init();
        download_init();
        download_set_path("localhost/bench", 15);
        chunk_reset();
        return true;
    }();
    benchmark::DoNotOptimize(opened);
}

void first_load(benchmark::State& state)
{
    open_stores();
    std::string text = grid_rwx();
    for (auto _ : state) {
        rw_clump* clump = rw_rwx_read(text.data(), text.size());
        chunk_create(clump, "grid", 4, "grid", "bench");
    }
}
BENCHMARK(first_load)->Unit(benchmark::kMicrosecond);

void later_load(benchmark::State& state)
{
    open_stores();
    std::string text = grid_rwx();
    chunk_create(rw_rwx_read(text.data(), text.size()), "grid", 4, "grid", "bench");
    for (auto _ : state) {
        rw_clump* clump = chunk_load("grid", "bench");
        benchmark::DoNotOptimize(clump);
        rw_clump_destroy(clump);
    }
}
BENCHMARK(later_load)->Unit(benchmark::kMicrosecond);

}  // namespace
