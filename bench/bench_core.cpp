#include <benchmark/benchmark.h>
static void placeholder(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(state.iterations());
}
BENCHMARK(placeholder);
BENCHMARK_MAIN();
