// One pass of the frame loop's task table, the fixed cost every frame pays
// before any module has work to do.
#include <benchmark/benchmark.h>

#include "app/loop.h"

namespace {

void empty_frame(benchmark::State& state)
{
    for (auto _ : state)
        main_update();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(empty_frame);

}  // namespace
