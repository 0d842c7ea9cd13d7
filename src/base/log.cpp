#include "base/log.h"

#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/clock.h"

namespace {

constexpr const char* file_name = "vireo.log";
constexpr size_t message_size = 1024;

enum category { trace, tasks, database, sound, disk, download, visible, texture, chunk,
                universe, elements, vrml, category_count };

// The [debug] keys in the order of the switches above.
constexpr const char* keys[category_count] = {
    "trace", "tasks", "database", "sound", "disk", "download",
    "visible", "texture", "chunk", "universe", "elements", "vrml",
};

struct log_state {
    std::array<int, category_count> switches{};
    bool flush_mode = false;
    FILE* file = nullptr;
    bool holding = false;
    std::string held;
    uint32_t held_time = 0;
    log_observer observer = nullptr;
};

log_state state;

}  // namespace

void log_init(log_setting setting)
{
    state.flush_mode = false;
    if (setting("debug", "flush") == 1) {
        state.flush_mode = true;
        if (FILE* f = std::fopen(file_name, "w"))
            std::fclose(f);
    }
    if (setting("debug", "all") == 1) {
        state.switches.fill(1);
        return;
    }
    for (int i = 0; i < category_count; ++i)
        state.switches[i] = setting("debug", keys[i]) == 1 ? 1 : 0;
}

void log_write(const char* format, ...)
{
    char text[message_size];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);

    if (!state.file)
        state.file = std::fopen(file_name, state.flush_mode ? "a" : "w");
    if (state.file && state.holding) {
        int elapsed = static_cast<int>(clock_ms() - state.held_time);
        std::fprintf(state.file, "%5d: %s\n", elapsed, state.held.c_str());
    }
    state.held = text;
    state.holding = true;
    state.held_time = clock_ms();
    if (state.file) {
        std::fflush(state.file);
        if (state.flush_mode) {
            std::fclose(state.file);
            state.file = nullptr;
        }
    }
    if (state.observer)
        state.observer(text);
}

int log_trace() { return state.switches[trace]; }
int log_tasks() { return state.switches[tasks]; }
int log_database() { return state.switches[database]; }
int log_sound() { return state.switches[sound]; }
int log_disk() { return state.switches[disk]; }
int log_download() { return state.switches[download]; }
int log_visible() { return state.switches[visible]; }
int log_texture() { return state.switches[texture]; }
int log_chunk() { return state.switches[chunk]; }
int log_universe() { return state.switches[universe]; }
int log_elements() { return state.switches[elements]; }
int log_vrml() { return state.switches[vrml]; }

void log_set_observer(log_observer observer)
{
    state.observer = observer;
}

void log_reset()
{
    if (state.file)
        std::fclose(state.file);
    log_observer observer = state.observer;
    state = log_state{};
    state.observer = observer;
}
