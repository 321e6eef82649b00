// One program for every benchmark; run.sh picks them by name.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
