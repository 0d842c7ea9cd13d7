// The geometry half of the rendering library: reading a model's RWX text
// against loading its stream (which is why converted models are kept), and
// picking over a crowded scene.
//
// All in memory and warm: the RWX text, its stream and the scene are made
// once before the timing; no file, store or server is involved.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "render/clump.h"
#include "render/pick.h"
#include "render/rwx.h"
#include "render/stream.h"

namespace {

// About a megabyte of model: nested clumps of textured quads and triangles
// with a few materials and primitives, as building models are written.
const std::string& big_model()
{
    static const std::string text = [] {
        std::string t = "ModelBegin\nClumpBegin\n";
        char line[160];
        int clump = 0;
        while (t.size() < (1u << 20)) {
            t += "ClumpBegin\nTag " + std::to_string(++clump % 30) + "\n";
            std::snprintf(line, sizeof line, "Color %.3f %.3f %.3f\nSurface 0.4 0.6 0\n",
                          (clump % 7) / 7.0, (clump % 5) / 5.0, (clump % 3) / 3.0);
            t += line;
            t += clump % 2 ? "Texture brick\n" : "Texture NULL\n";
            std::snprintf(line, sizeof line, "Translate %d 0 %d\nRotate 0 1 0 %d\n", clump % 10,
                          clump / 10, clump * 7);
            t += line;
            for (int v = 0; v < 40; ++v) {
                std::snprintf(line, sizeof line, "Vertex %.4f %.4f %.4f UV %.3f %.3f\n",
                              (v % 8) * 0.125, (v / 8) * 0.2, (v % 3) * 0.01, (v % 8) / 8.0,
                              (v / 8) / 5.0);
                t += line;
            }
            for (int q = 0; q < 28; ++q) {
                int a = (q / 7) * 8 + q % 7 + 1;
                std::snprintf(line, sizeof line, "Quad %d %d %d %d%s\n", a, a + 1, a + 9, a + 8,
                              q == 0 ? " Tag 100" : "");
                t += line;
            }
            t += "Triangle 1 2 9\nBlock 0.1 0.2 0.3\nClumpEnd\n";
        }
        return t + "ClumpEnd\nModelEnd\n";
    }();
    return text;
}

void rwx_parse(benchmark::State& state)
{
    const std::string& text = big_model();
    for (auto _ : state) {
        rw_clump* c = rw_rwx_read(text.data(), text.size());
        benchmark::DoNotOptimize(c);
        rw_clump_destroy(c);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(rwx_parse)->Unit(benchmark::kMillisecond);

void stream_load(benchmark::State& state)
{
    const std::string& text = big_model();
    rw_clump* c = rw_rwx_read(text.data(), text.size());
    rw_stream* out = rw_stream_open_memory();
    rw_stream_write_clump(out, c);
    rw_clump_destroy(c);
    size_t size;
    const uint8_t* bytes = rw_stream_data(out, &size);
    for (auto _ : state) {
        rw_stream* in = rw_stream_open_memory_read(bytes, size);
        rw_clump* back = rw_stream_read_clump(in);
        benchmark::DoNotOptimize(back);
        rw_clump_destroy(back);
        rw_stream_close(in);
    }
    // Bytes of RWX text the load stands in for, to compare with parsing.
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["stream_bytes"] = static_cast<double>(size);
    rw_stream_close(out);
}
BENCHMARK(stream_load)->Unit(benchmark::kMillisecond);

// 10,000 small buildings on a 100 x 100 grid, rays from eye height in
// random directions, as clicks in a crowded view.
void pick_10000(benchmark::State& state)
{
    const char* house =
        "clumpbegin\nblock 0.5 0.4 0.5\ntranslate 0 0.3 0\ncone 0.2 0.3 4\nclumpend\n";
    rw_clump* model = rw_rwx_read(house, std::char_traits<char>::length(house));
    std::vector<rw_clump*> clumps;
    for (int i = 0; i < 10000; ++i) {
        rw_clump* c = rw_clump_duplicate(model);
        glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(i % 100, 0.2f, i / 100));
        rw_clump_set_matrix(c, glm::rotate(m, glm::radians(float(i % 360)), glm::vec3(0, 1, 0)));
        clumps.push_back(c);
    }
    unsigned seed = 1;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>((seed >> 8) & 0xFFFF) / 65535.0f;
    };
    int hits = 0;
    for (auto _ : state) {
        glm::vec3 origin(next() * 100.0f, 0.3f, next() * 100.0f);
        glm::vec3 direction(next() - 0.5f, -0.05f, next() - 0.5f);
        rw_pick_result hit;
        hits += rw_pick_ray(clumps.data(), static_cast<int>(clumps.size()), origin, direction, &hit);
    }
    state.counters["hit_ratio"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
    for (rw_clump* c : clumps)
        rw_clump_destroy(c);
    rw_clump_destroy(model);
}
BENCHMARK(pick_10000)->Unit(benchmark::kMicrosecond);

}  // namespace
