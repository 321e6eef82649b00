#!/usr/bin/env bash
# The main job: runs the built Quorvane.exe under Wine the way CEF would start it and
# prints what CEF saw. Expects `make build` to have run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
exe="$root/build/win32/Quorvane.exe"
wine="$root/tools/wine.sh"
work="$(mktemp -d)"
trap '"$wine" --stop; rm -rf "$work"' EXIT
"$wine" --start

run() {  # title, env assignments..., -- , arguments...
  local title="$1"; shift
  local env=()
  while [ "$1" != "--" ]; do env+=("$1"); shift; done
  shift
  local log="$work/$RANDOM.jsonl"
  echo
  echo "== $title"
  echo "   Quorvane.exe $*"
  local code=0
  env "${env[@]}" CEF_STANDIN_LOG="$log" "$wine" "$exe" "$@" 2> >(grep -v "setlocale" >&2) || code=$?
  [ -f "$log" ] && python3 "$root/tools/show_events.py" "$log"
  echo "   exit code: $code"
}

run "Browser process, German user interface" LC_ALL=de_DE.UTF-8 -- 'C:\Program Files\Tandu'
run "GPU child process (CEF would return 7; the process exits with 0)" CEF_STANDIN_EXIT_CODE=7 -- \
    'C:\Program Files\Tandu' --type=gpu-process
if [ -f "$root/tools/demo/page.jsonl" ]; then
  run "Renderer playing a page whose scripts use the bridge and cefQuery" CEF_STANDIN_SCENARIO="$root/tools/demo/page.jsonl" -- \
      'C:\Program Files\Tandu' --type=renderer
fi
