// The keyed hash table behind the registries: look-ups by name happen for
// every element and texture a cell brings in.
//
// All in memory and warm: no file, store or server is involved, and each
// iteration finds the keys and the table in the processor's caches as the
// previous one left them.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "base/hash.h"

namespace {

std::vector<std::string> names(int count)
{
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back("models/tree" + std::to_string(i * 7919) + ".rwx");
    return out;
}

void insert_and_destroy(benchmark::State& state)
{
    auto keys = names(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        hash_table* t = hash_create(401, 32);
        for (const std::string& k : keys)
            benchmark::DoNotOptimize(hash_insert(t, k.data(), k.size(), nullptr));
        hash_destroy(t);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(insert_and_destroy)->Arg(100)->Arg(4000);

void find_present(benchmark::State& state)
{
    auto keys = names(static_cast<int>(state.range(0)));
    hash_table* t = hash_create(401, 32);
    for (const std::string& k : keys)
        hash_insert(t, k.data(), k.size(), nullptr);
    size_t i = 0;
    for (auto _ : state) {
        const std::string& k = keys[i++ % keys.size()];
        benchmark::DoNotOptimize(hash_find(t, k.data(), k.size()));
    }
    hash_destroy(t);
}
BENCHMARK(find_present)->Arg(100)->Arg(4000);

}  // namespace
