// The object action engine: the check pass that every new element's action
// goes through, over the texts of the generated world "city" (the server's
// own generator, linked from vireo_server_core, gives the same ~14,000
// objects for the same seed), and the cost of one click on a door against
// that of reading its action once more.
//
// Both are warm: the texts, the programs and the engine's code stay in the
// processor's caches from one iteration to the next, as they do while a
// user walks a loaded town. Nothing is downloaded: with the log off the
// sound, texture and picture requests return at once. Each benchmark
// destroys the elements it made.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "behavior/behavior.h"
#include "city.h"
#include "world/element.h"

namespace {

element* make(const std::string& model, const std::string& description, const std::string& action)
{
    return element_create(0, 0, 0, 0, model.data(), model.size(), description.data(),
                          description.size(), action.data(), action.size(), 1, 1, 0, 0);
}

// Reads every element's action again into the program it keeps.
void check_city(benchmark::State& state)
{
    std::vector<element*> elements;
    for (const world_seed_object& o : city_objects(1))
        elements.push_back(make(o.model, o.description, o.action));
    for (auto _ : state) {
        for (element* e : elements)
            benchmark::DoNotOptimize(behavior_check(e));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(elements.size()));
    state.counters["elements"] = static_cast<double>(elements.size());
    for (element* e : elements)
        element_destroy(e);
}
BENCHMARK(check_city)->Unit(benchmark::kMillisecond);

const std::string door_action =
    "create name housedoor; activate visible off, solid off, noise door.wav";

// One click on the front door of the sample world "qo".
void click_door(benchmark::State& state)
{
    element* door = make("door.rwx", "Front door", door_action);
    for (auto _ : state)
        benchmark::DoNotOptimize(behavior_trigger(door, action_activate));
    element_destroy(door);
}
BENCHMARK(click_door);

// What each click would cost on top if the door's action were read again
// instead of kept as a program: the other side of the ratio to click_door.
void read_door(benchmark::State& state)
{
    for (auto _ : state) {
        action_program program;
        action_parse(door_action.data(), door_action.size(), &program);
        benchmark::DoNotOptimize(program.commands.data());
    }
}
BENCHMARK(read_door);

}  // namespace
