// Files through the download queue and the fetcher from a server on this
// machine: what the queue's three slots and one frame of polling per
// round can deliver when the network is not the limit.
//
// The server runs on this machine and libcurl keeps its connection open
// between files (warm). Every round asks for names never asked for before,
// so the queue and the download dates, open and in memory, know none of
// them (cold) and every file is fetched in full; nothing waits for the disk.
// The cache folder the run made is removed at its end.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>

#include "assets/download.h"
#include "assets/http.h"
#include "bench_home.h"
#include "support/http_server.h"
#include "world/database.h"

namespace {

void count_done(void* user, int result, const unsigned char*, size_t)
{
    if (result == download_received)
        ++*static_cast<int*>(user);
}

// 200 textures of 16 KB, queued at once, fetched as a world entry would;
// the frame loop sleeps 1 ms between rounds.
void textures_200(benchmark::State& state)
{
    http_server server([](const http_server::request&) {
        return http_server::file(std::string(16384, 'x'));
    });
    bench_home home;
    database_init();
    http_init(0);
    download_init();
    std::string path = server.host() + "/world";
    download_set_path(path.c_str(), static_cast<int>(path.size()));
    int received = 0;
    int round = 0;
    for (auto _ : state) {
        received = 0;
        for (int i = 0; i < 200; ++i) {
            std::string name = "t" + std::to_string(round) + "_" + std::to_string(i) + ".jpg";
            download_file("textures", name.c_str(), 2, count_done, &received);
        }
        ++round;
        while (download_count() > 0) {
            http_update();
            download_update();
            usleep(1000);
        }
    }
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 200, benchmark::Counter::kIsRate);
    state.counters["received"] = received;
    download_term();
    http_term();
}
BENCHMARK(textures_200)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
