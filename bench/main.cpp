// Benchmarks of the engine and of whole runs.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
