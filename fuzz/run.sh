#!/usr/bin/env bash
# Runs every libFuzzer target of build/fuzz for a bounded time, each from its committed
# seeds (fuzz/corpus/<target>, read only) and a working corpus below build/fuzz.
#   FUZZ_SECONDS   time per target (45)
#   FUZZ_TARGETS   the targets to run (all)
# A target that finds a failing input leaves it in build/fuzz/artifacts and the script
# ends with status 1 after running the others.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
seconds="${FUZZ_SECONDS:-45}"
targets="${FUZZ_TARGETS:-scenario_fuzzer bridge_arguments_fuzzer timestamp_fuzzer masking_fuzzer line_format_fuzzer let_rewrite_fuzzer}"
mkdir -p build/fuzz/artifacts build/fuzz/logs

failed=0
printf '%-26s %10s %8s %8s  %s\n' target runs cov corpus result
for target in $targets; do
  binary="build/fuzz/fuzz/$target"
  work="build/fuzz/corpus/$target"
  seeds="fuzz/corpus/$target"
  mkdir -p "$work" "$seeds"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096
           -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$target-")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  # The scenario player reports every step it cannot play on standard error.
  [ "$target" = scenario_fuzzer ] && options+=(-close_fd_mask=2)
  log="build/fuzz/logs/$target.log"
  if "$binary" "${options[@]}" "$work" "$seeds" >"$log" 2>&1; then
    result=ok
  else
    result="FAILED (see $log)"
    failed=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || true)
  corpus=$(ls "$work" | wc -l)
  printf '%-26s %10s %8s %8s  %s\n' "$target" "${runs:-?}" "${cov:-?}" "$corpus" "$result"
done
exit $failed
