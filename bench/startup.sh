#!/usr/bin/env bash
# Start-up under Wine: Quorvane.exe started as a child process that CEF (the stand-in)
# lets go at once, against an empty PE32 GUI program built with the same toolchain and
# flags. Writes the times of both and their file sizes into the given folder.
#   bench/startup.sh RESULTS_DIR RUNS     (QUORVANE_EXE: another build's executable)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
results="$1"
runs="$2"

exe="${QUORVANE_EXE:-build/win32/Quorvane.exe}"
if [ ! -f "$exe" ]; then
  echo "start-up skipped: $exe is missing (make build)" >&2
  exit 0
fi

# The yardsticks, built like the executable.
source bench/yardstick.sh
empty="build/bench/empty_program.exe"
build_like_the_executable empty_program
# The empty program plus the command-line split every entry point of this kind makes.
command_line="build/bench/command_line_program.exe"
build_like_the_executable command_line_program command_line_program -lshell32
# For the size only: the C++ runtime the executable links, without the system.
build_like_the_executable runtime_program

tools/wine.sh --start
export CEF_STANDIN_CHILD_MS=0
unset CEF_STANDIN_LOG CEF_STANDIN_SCENARIO
echo "timing start-up under Wine: $runs starts of each program, alternating" >&2
# Alternating the two programs run by run: the machine may be shared.
python3 bench/startup.py "$results/startup.json" "$runs" \
  "quorvane=$exe C:\\X --type=gpu-process" "empty=$empty" "command_line=$command_line"

printf 'quorvane %s\nempty %s\nruntime %s\n' "$(stat -c %s "$exe")" "$(stat -c %s "$empty")" \
  "$(stat -c %s build/bench/runtime_program.exe)" >"$results/sizes.txt"
