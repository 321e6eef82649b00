#!/usr/bin/env bash
# Runs the benchmarks of build/bench beside their peers, measures start-up and a waiting
# child's private memory under Wine, and prints one table of ratios (bench/report.py).
#
#   BENCH_PROGRAM      the benchmark program (build/bench/bench/quorvane_bench); another
#                      build's, e.g. of an earlier commit, gives figures to compare with
#   BENCH_RESULTS      where the results go (build/bench/results)
#   BENCH_REPETITIONS  repetitions of each benchmark; the table shows medians (10)
#   BENCH_FILTER       a Google Benchmark filter, to run a part only (all)
#   STARTUP_RUNS       timed starts of each program under Wine (40); 0 skips start-up
#   MEMORY_RUNS        measured waiting children of each program under Wine (5); 0 skips
#   REAL_CEF_EXE       the real-SDK build's Quorvane.exe beside the libcef.dll double
#                      (make bench CEF_ROOT=...); unset or empty skips those rows
#   REAL_CEF_RUNS      timed runs of each of its scenarios per build (5)
#   ONE_CPU            1: the accepted record and records per second again, pinned to one
#                      CPU (taskset -c 0), for the two-CPU against one-CPU rows; 0 skips (1)
#   BURST_RUNS         runs of the burst memory program (3); 0 skips
#   BURST_PROGRAM      the burst memory program (build/bench/bench/quorvane_burst)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
results="${BENCH_RESULTS:-build/bench/results}"
mkdir -p "$results"

"${BENCH_PROGRAM:-build/bench/bench/quorvane_bench}" \
  --benchmark_repetitions="${BENCH_REPETITIONS:-10}" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.2 \
  --benchmark_filter="${BENCH_FILTER:-.}" \
  --benchmark_out="$results/benchmarks.json" --benchmark_out_format=json

rm -f "$results/onecpu.json" "$results/burst.json"
if [ "${ONE_CPU:-1}" != 0 ] && command -v taskset >/dev/null; then
  echo "the accepted record and records per second again, on one CPU (taskset -c 0)" >&2
  taskset -c 0 "${BENCH_PROGRAM:-build/bench/bench/quorvane_bench}" \
    --benchmark_repetitions="${BENCH_REPETITIONS:-10}" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 \
    --benchmark_filter='AcceptedLog|Throughput' \
    --benchmark_out="$results/onecpu.json" --benchmark_out_format=json >/dev/null
fi
burst="${BURST_PROGRAM:-build/bench/bench/quorvane_burst}"
if [ "${BURST_RUNS:-3}" -gt 0 ] && [ -x "$burst" ]; then
  echo "a burst of 1,000,000 records from 8 threads, ${BURST_RUNS:-3} runs, each a process" >&2
  for _ in $(seq "${BURST_RUNS:-3}"); do
    "$burst" >>"$results/burst.json"
  done
fi

rm -f "$results/startup.json" "$results/sizes.txt" "$results/memory.json"
tools/ia32.sh mode >"$results/ia32.txt"
if [ "${STARTUP_RUNS:-40}" -gt 0 ]; then
  ./bench/startup.sh "$results" "${STARTUP_RUNS:-40}"
fi
if [ "${MEMORY_RUNS:-5}" -gt 0 ]; then
  ./bench/memory.sh "$results" "${MEMORY_RUNS:-5}"
fi

rm -f "$results/real_cef.json"
if [ -n "${REAL_CEF_EXE:-}" ]; then
  tools/wine.sh --start
  echo "timing the bridge call and getDocumentBody of both builds under Wine" >&2
  python3 bench/real_cef.py "$results" build/win32/Quorvane.exe "$REAL_CEF_EXE" \
    "${REAL_CEF_RUNS:-5}"
fi

python3 bench/report.py "$results"
