// Drawing a crowded world: 10,000 placed objects of 100 distinct textured
// models in an 800 x 600 view, with alike parts drawn together and, as the
// baseline, each part drawn on its own. Runs in a display of its own
// (xvfb-run) with the machine's OpenGL, with the allocator set up as the
// program sets it. Caches are warm: the models are in GL buffers and the
// textures uploaded before the first timed frame. CPU is the main thread's;
// all_threads_cpu_ms and page faults are the whole process's (the driver's
// drawing threads included).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "assets/driver.h"
#include "base/heap.h"
#include "render/camera.h"
#include "render/clump.h"
#include "render/raster.h"
#include "render/render.h"
#include "render/rwx.h"
#include "render/scene.h"
#include "render/stream.h"
#include "render/texture.h"

namespace {

struct world {
    rw_camera* camera = nullptr;
    rw_scene* scene = nullptr;
    std::vector<rw_clump*> clumps;
    std::vector<rw_texture*> textures;
};

// A model of a few parts like a building's: a textured box, a roof of
// another material and a sign; each model its own texture.
std::string model_text(int i)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "clumpbegin\n"
                  "surface 0.4 0.6 0\ncolor 1 1 1\ntexture wall%d\n"
                  "block 0.4 %.2f 0.4\n"
                  "texture null\ncolor 0.6 0.2 0.1\ntranslate 0 %.2f 0\ncone 0.2 0.3 %d\n"
                  "clumpend\n",
                  i, 0.2 + (i % 5) * 0.05, 0.1 + (i % 5) * 0.025, 4 + i % 5);
    return text;
}

world& scene_of_10000()
{
    static world w = [] {
        world made;
        std::vector<rw_clump*> models;
        for (int i = 0; i < 100; ++i) {
            rw_raster* r = rw_raster_create(64, 64);
            uint8_t* p = rw_raster_pixels(r);
            for (int k = 0; k < 64 * 64; ++k) {
                p[k * 4] = static_cast<uint8_t>(i * 2);
                p[k * 4 + 1] = static_cast<uint8_t>(k % 64 * 4);
                p[k * 4 + 2] = static_cast<uint8_t>(k / 64 * 4);
                p[k * 4 + 3] = 255;
            }
            std::string name = "wall" + std::to_string(i);
            made.textures.push_back(rw_texture_create(name.c_str(), r));
            std::string text = model_text(i);
            // Each placed object is its own clump, read from the model's
            // stream as the model store gives them.
            rw_clump* model = rw_rwx_read(text.data(), text.size());
            rw_stream* out = rw_stream_open_memory();
            rw_stream_write_clump(out, model);
            rw_clump_destroy(model);
            size_t size;
            const uint8_t* bytes = rw_stream_data(out, &size);
            for (int k = 0; k < 100; ++k) {
                rw_stream* in = rw_stream_open_memory_read(bytes, size);
                made.clumps.push_back(rw_stream_read_clump(in));
                rw_stream_close(in);
            }
            rw_stream_close(out);
        }
        made.scene = rw_scene_create();
        rw_scene_set_light(made.scene, {-0.8f, -0.5f, -0.2f}, 1.0f);
        for (size_t n = 0; n < made.clumps.size(); ++n) {
            // Models spread over the grid so that neighbours differ.
            size_t cell = (n * 7919) % made.clumps.size();
            glm::mat4 m = glm::translate(glm::mat4(1.0f),
                                         glm::vec3(cell % 100 * 0.5f - 25.0f, 0, cell / 100 * 0.5f - 25.0f));
            rw_clump_set_matrix(made.clumps[n], glm::rotate(m, glm::radians(float(n % 4) * 90.0f), {0, 1, 0}));
            rw_scene_add_clump(made.scene, made.clumps[n]);
        }
        made.camera = rw_camera_create(800, 600);
        rw_camera_set_view(made.camera, {0, 12, 32}, {0, -12, -32}, {0, 1, 0});
        rw_camera_set_view_window(made.camera, 1.0f, 0.75f);
        rw_camera_set_background(made.camera, 0, 0, 0.7f);
        return made;
    }();
    return w;
}

// The process's page faults and processor time in ms so far.
struct usage_sample {
    long faults;
    double cpu_ms;
};

usage_sample process_usage()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    return {usage.ru_minflt + usage.ru_majflt, ms(usage.ru_utime) + ms(usage.ru_stime)};
}

void frame(benchmark::State& state, int batching)
{
    world& w = scene_of_10000();
    rw_render_set_batching(batching);
    usage_sample before = process_usage();
    for (auto _ : state) {
        rw_camera_begin_update(w.camera);
        rw_scene_render(w.scene, w.camera);
        rw_camera_end_update(w.camera);
        glFinish();
    }
    usage_sample after = process_usage();
    auto frames = static_cast<double>(state.iterations());
    state.counters["faults_per_frame"] = static_cast<double>(after.faults - before.faults) / frames;
    state.counters["all_threads_cpu_ms"] = (after.cpu_ms - before.cpu_ms) / frames;
    rw_render_stats stats = rw_render_last_stats();
    state.counters["draw_calls"] = stats.draw_calls;
    state.counters["parts_drawn"] = stats.instances;
    state.counters["culled"] = stats.culled;
    rw_render_set_batching(1);
}

void frame_10000_batched(benchmark::State& state)
{
    frame(state, 1);
}
BENCHMARK(frame_10000_batched)->Unit(benchmark::kMillisecond)->UseRealTime();

void frame_10000_one_call_each(benchmark::State& state)
{
    frame(state, 0);
}
BENCHMARK(frame_10000_one_call_each)->Unit(benchmark::kMillisecond)->UseRealTime();

// The renderer's own share of a frame: gathering, culling, sorting and
// handing the calls to OpenGL, without waiting for the pixels.
void submit_10000(benchmark::State& state)
{
    world& w = scene_of_10000();
    for (auto _ : state) {
        rw_camera_begin_update(w.camera);
        rw_scene_render(w.scene, w.camera);
        rw_camera_end_update(w.camera);
        state.PauseTiming();
        glFinish();
        state.ResumeTiming();
    }
}
BENCHMARK(submit_10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    heap_init();
    driver_set_default_format();
    QGuiApplication app(argc, argv);
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface) || rw_open("bench: ") != 0) {
        std::fprintf(stderr, "bench_draw: no OpenGL 3.3 context (run it under xvfb-run)\n");
        return 1;
    }
    std::printf("OpenGL: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
