// The one entry point of bench_engine; the benchmarks live in the other files here.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
