#include <benchmark/benchmark.h>

static void BM_Nothing(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(state.iterations());
}
BENCHMARK(BM_Nothing);
BENCHMARK_MAIN();
