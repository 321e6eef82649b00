#!/usr/bin/env bash
# Private memory of a waiting child under Wine: Quorvane.exe as a GPU process that CEF
# (the stand-in) keeps waiting, against a program built the same way that splits its
# command line and sleeps. Each is started by bench/memory/child_memory.exe, so both
# have a real parent, as a child of the browser process has. Writes memory.json.
#   bench/memory.sh RESULTS_DIR RUNS     (QUORVANE_EXE: another build's executable)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
results="$1"
runs="$2"
mkdir -p "$results"

exe="${QUORVANE_EXE:-build/win32/Quorvane.exe}"
if [ ! -f "$exe" ]; then
  echo "child memory skipped: $exe is missing (make build)" >&2
  exit 0
fi

# The yardsticks, built like the executable: the program that only sleeps, and the same
# with a wait on its parent registered as the watchdog registers its own.
source bench/yardstick.sh
build_like_the_executable sleeping_program sleeping_program -lshell32
build_like_the_executable sleeping_program sleeping_with_wait_program -DWAIT_ON_PARENT -lshell32
# The measuring parent: a console program, so that its report reaches our pipe.
i686-w64-mingw32-g++-posix -std=c++17 -O2 -static -static-libgcc -static-libstdc++ \
  -municode -s bench/memory/child_memory.cpp -o build/bench/child_memory.exe -lpsapi

tools/wine.sh --start
# Long enough to settle; the measuring parent ends the child once it has.
export CEF_STANDIN_CHILD_MS=60000
unset CEF_STANDIN_LOG CEF_STANDIN_SCENARIO
echo "measuring the memory of waiting children under Wine: $runs of each, alternating" >&2
python3 bench/memory.py "$results/memory.json" "$runs" \
  "quorvane=$exe C:\\X --type=gpu-process" "sleeping=build/bench/sleeping_program.exe C:\\X" \
  "sleeping_with_wait=build/bench/sleeping_with_wait_program.exe C:\\X"
