#!/usr/bin/env bash
# Start-up under Wine: Quorvane.exe started as a child process that CEF (the stand-in)
# lets go at once, against an empty PE32 GUI program built with the same toolchain and
# flags. Writes hyperfine's results and both file sizes into the given folder.
#   bench/startup.sh RESULTS_DIR RUNS
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
results="$1"
runs="$2"

exe="build/win32/Quorvane.exe"
if [ ! -f "$exe" ]; then
  echo "start-up skipped: $exe is missing (make build)" >&2
  exit 0
fi

# The yardstick, built like the executable: static runtime, GUI subsystem, wWinMain,
# optimised and stripped.
empty="build/bench/empty_program.exe"
i686-w64-mingw32-g++-posix -std=c++17 -O2 -static -static-libgcc -static-libstdc++ \
  -mwindows -municode -s bench/startup/empty_program.cpp -o "$empty"

tools/wine.sh --start
export CEF_STANDIN_CHILD_MS=0
unset CEF_STANDIN_LOG CEF_STANDIN_SCENARIO
hyperfine --shell=none --style basic --warmup 5 --runs "$runs" \
  --export-json "$results/startup.json" \
  -n "Quorvane.exe --type=gpu-process" "tools/wine.sh $exe C:\\X --type=gpu-process" \
  -n "empty PE32 program" "tools/wine.sh $empty"

printf 'quorvane %s\nempty %s\n' "$(stat -c %s "$exe")" "$(stat -c %s "$empty")" \
  >"$results/sizes.txt"
