// A model's first appearance (parsing its RWX) set against every later
// one (loading the clump kept in the model store): the model store is
// worth keeping only while the second is far cheaper. Storing the clump,
// a synchronous write paid once per model, is left out of the first
// appearance, so that both sides only turn a model into a clump.
//
// The _warm figures have the RWX text in memory and the store's pages in
// the operating system's file cache and in the store's own cache (it stays
// open). The _cold figures read from the disk: the RWX file, or the model
// store's file, is flushed and dropped from the page cache before each
// read, and the store is closed and opened again first, so that its own
// cache is empty except for the layout read when it opens (as after the
// start of a session). No server is involved.
#include <benchmark/benchmark.h>

#include <string>

#include "assets/chunk.h"
#include "assets/download.h"
#include "base/file.h"
#include "bench_home.h"
#include "page_cache.h"
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

// A program's model store on a folder of its own holding the grid model,
// stored and written out as an RWX file; everything it made goes with it.
class model_world {
public:
    model_world()
    {
        database_init();
        download_init();
        download_set_path("localhost/bench", 15);
        chunk_reset();
        text_ = grid_rwx();
        rwx_ = home_.path() + "/grid.rwx";
        file_store(rwx_.c_str(), text_.data(), text_.size());
        chunk_create(rw_rwx_read(text_.data(), text_.size()), "grid", 4, "grid", "bench");
    }
    ~model_world()
    {
        download_term();
        chunk_term();
        file_term();
    }
    model_world(const model_world&) = delete;
    model_world& operator=(const model_world&) = delete;

    const std::string& text() const { return text_; }
    const std::string& rwx_file() const { return rwx_; }

    // Closes and opens the stores, then drops the model store's files from
    // the page cache; false when they could not be dropped.
    bool cool_store() const
    {
        chunk_term();
        chunk_reset();
        std::string store = std::string(download_cache_path()) + "/model.db";
        page_cache_drop((store + "-journal").c_str());
        return page_cache_drop(store.c_str()) == 1;
    }

private:
    bench_home home_;
    std::string text_;
    std::string rwx_;
};

void parse_warm(benchmark::State& state)
{
    model_world world;
    for (auto _ : state) {
        rw_clump* clump = rw_rwx_read(world.text().data(), world.text().size());
        benchmark::DoNotOptimize(clump);
        rw_clump_destroy(clump);
    }
}
BENCHMARK(parse_warm)->Unit(benchmark::kMicrosecond);

void parse_file_cold(benchmark::State& state)
{
    model_world world;
    for (auto _ : state) {
        state.PauseTiming();
        bool dropped = page_cache_drop(world.rwx_file().c_str()) == 1;
        state.ResumeTiming();
        rw_clump* clump = rw_rwx_read_file(world.rwx_file().c_str());
        if (!dropped || !clump) {
            state.SkipWithError("the RWX file could not be dropped or read");
            break;
        }
        rw_clump_destroy(clump);
    }
}
BENCHMARK(parse_file_cold)->Unit(benchmark::kMicrosecond)->Iterations(100);

void later_load_warm(benchmark::State& state)
{
    model_world world;
    for (auto _ : state) {
        rw_clump* clump = chunk_load("grid", "bench");
        benchmark::DoNotOptimize(clump);
        rw_clump_destroy(clump);
    }
}
BENCHMARK(later_load_warm)->Unit(benchmark::kMicrosecond);

void later_load_cold(benchmark::State& state)
{
    model_world world;
    for (auto _ : state) {
        state.PauseTiming();
        bool dropped = world.cool_store();
        state.ResumeTiming();
        rw_clump* clump = chunk_load("grid", "bench");
        if (!dropped || !clump) {
            state.SkipWithError("the store could not be dropped or read");
            break;
        }
        rw_clump_destroy(clump);
    }
}
BENCHMARK(later_load_cold)->Unit(benchmark::kMicrosecond)->Iterations(100);

}  // namespace
