// Splitting key blocks of growing size: the throughput must stay flat (no quadratic copying).
#include <benchmark/benchmark.h>

#include <string>

#include "printerlist/ProfileText.h"

namespace {

std::string KeyBlockOf(std::size_t bytes) {
    std::string block;
    for (int i = 0; block.size() < bytes; ++i) {
        block += "Impressora " + std::to_string(i) + " do andar";
        block.push_back('\0');
    }
    block.resize(bytes);
    return block;
}

void SplitKeyBlockOfSize(benchmark::State& state) {
    const std::string block = KeyBlockOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::size_t names = 0;
        tavrelonim::printerlist::SplitKeyBlock(block, [&names](std::string_view name) {
            benchmark::DoNotOptimize(name.data());
            ++names;
        });
        benchmark::DoNotOptimize(names);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

}  // namespace

BENCHMARK(SplitKeyBlockOfSize)->Arg(8 << 10)->Arg(1 << 20)->Arg(16 << 20);
BENCHMARK_MAIN();
