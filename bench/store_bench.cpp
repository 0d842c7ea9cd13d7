// The keyed stores and the cache housekeeping: fetching and storing cell
// records, walking a store, and scanning a cache tree frame by frame.
//
// The store is made once for the run and removed at its end. Its figures
// are warm (the file in the operating system's page cache, the store open
// with its own cache filled by earlier calls) except fetch_1k_cold: before
// each fetch the store is closed, opened again and its file flushed and
// dropped from the page cache, so that only the layout read when it opens
// is in memory. The cache tree is scanned right after it was made, so the
// kernel's directory and inode caches are warm; the housekeeping's own
// state is made anew for every scan. No server is involved.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/disk.h"
#include "base/clock.h"
#include "bench_home.h"
#include "base/profile.h"
#include "page_cache.h"
#include "world/database.h"

namespace {

void key_of(int i, char key[6])
{
    std::snprintf(key, 7, "%06d", i);
}

// 100,000 records of 1 KB under 6-byte keys, like a busy world's cells,
// made once for the run; the store is closed and its folder removed when
// the program ends.
class cell_store {
public:
    cell_store()
    {
        database_init();
        db_ = open_store();
        std::string record(1024, 'r');
        char key[7];
        for (int i = 0; i < 100000; ++i) {
            key_of(i, key);
            database_store(db_, key, record.data(), record.size());
        }
    }
    ~cell_store()
    {
        database_close(db_);
    }
    cell_store(const cell_store&) = delete;
    cell_store& operator=(const cell_store&) = delete;

    database* db() const { return db_; }

    // Closes and opens the store, then drops its file from the page cache;
    // false when it could not be dropped.
    bool cool()
    {
        database_close(db_);
        db_ = open_store();
        return page_cache_drop(database_file(db_)) == 1;
    }

private:
    database* open_store() const
    {
        return database_open((home_.path() + "/cell").c_str(), 6, 0, 16384, 4096, 0, 0);
    }

    bench_home home_;
    database* db_ = nullptr;
};

cell_store& store_of_100000()
{
    static cell_store store;
    return store;
}

void fetch_1k_warm(benchmark::State& state)
{
    database* db = store_of_100000().db();
    char key[7];
    char buffer[1200];
    size_t length = 0;
    int i = 0;
    for (auto _ : state) {
        key_of((i++ * 7919) % 100000, key);
        benchmark::DoNotOptimize(database_fetch(db, key, buffer, sizeof buffer, &length));
    }
}
BENCHMARK(fetch_1k_warm);

void store_1k(benchmark::State& state)
{
    database* db = store_of_100000().db();
    std::string record(1024, 's');
    char key[7];
    int i = 0;
    for (auto _ : state) {
        key_of((i++ * 104729) % 100000, key);
        benchmark::DoNotOptimize(database_store(db, key, record.data(), record.size()));
    }
}
BENCHMARK(store_1k);

void walk_100000(benchmark::State& state)
{
    database* db = store_of_100000().db();
    char key[6];
    for (auto _ : state) {
        uint8_t* record = nullptr;
        size_t length = 0;
        int n = 0;
        while (database_next(db, key, &record, &length)) {
            std::free(record);
            ++n;
        }
        state.counters["records"] = n;
    }
}
BENCHMARK(walk_100000)->Unit(benchmark::kMillisecond);

// Run after the warm figures, which it would otherwise leave cold.
void fetch_1k_cold(benchmark::State& state)
{
    cell_store& store = store_of_100000();
    char key[7];
    char buffer[1200];
    size_t length = 0;
    int i = 0;
    for (auto _ : state) {
        key_of((i++ * 7919) % 100000, key);
        state.PauseTiming();
        bool dropped = store.cool();
        state.ResumeTiming();
        if (!dropped || !database_fetch(store.db(), key, buffer, sizeof buffer, &length)) {
            state.SkipWithError("the store could not be dropped or read");
            break;
        }
    }
}
BENCHMARK(fetch_1k_cold)->Unit(benchmark::kMicrosecond)->Iterations(200);

// A cache tree of 20,000 files in 200 folders, scanned by disk_update as
// the frame loop calls it; the clock is the real one.
void disk_scan_20000(benchmark::State& state)
{
    bench_home home;
    const std::string& dir = home.path();
    for (int f = 0; f < 200; ++f) {
        std::string folder = dir + "/cache/art/host/f" + std::to_string(f);
        std::filesystem::create_directories(folder);
        for (int i = 0; i < 100; ++i)
            close(open((folder + "/" + std::to_string(i) + ".zip").c_str(), O_CREAT | O_WRONLY, 0644));
    }
    FILE* ini = std::fopen((dir + "/vireo.ini").c_str(), "w");
    std::fputs("[disk]\nlimit=0\n", ini);
    std::fclose(ini);
    for (auto _ : state) {
        // Each round starts with no age limit, so that setting one starts
        // a scan (a round leaves its limit in the settings).
        state.PauseTiming();
        profile_set_int("disk", "delete", 0);
        state.ResumeTiming();
        disk_init();
        disk_apply(0, 0, 1, 180);  // start at once
        int frames = 0;
        uint32_t longest = 0;
        do {
            uint32_t start = clock_ms();
            disk_update();
            longest = std::max(longest, clock_ms() - start);
            ++frames;
        } while (disk_phase() != disk_idle);
        state.counters["frames"] = frames;
        state.counters["longest_frame_ms"] = longest;
    }
    disk_term();
}
BENCHMARK(disk_scan_20000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
