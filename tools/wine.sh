#!/usr/bin/env bash
# Runs a Windows program under the project's own Wine prefix (build/wineprefix), quietly.
#   tools/wine.sh --start    create the prefix if needed and keep a wineserver running
#   tools/wine.sh --stop     stop that wineserver (this prefix only)
#   tools/wine.sh prog.exe [args...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${QUORVANE_WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# True when the prefix starts its 32-bit cmd.exe (also warms up the 32-bit side).
starts_32bit() {
  local cmd='C:\windows\syswow64\cmd.exe'
  [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] || cmd=cmd
  wine "$cmd" /c exit 0 </dev/null >/dev/null 2>&1
}

# Makes the prefix if there is none, and keeps a wineserver running for it.
serve_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    echo "creating the Wine prefix $WINEPREFIX (once, about half a minute)"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # Detached from our output, so a pipe reading it is not held open; the same for the
  # services Wine starts with its first program (they would inherit that program's
  # output and keep a caller's pipe open for as long as the server lives).
  # A server already running for this prefix is fine: it keeps serving.
  wineserver -p </dev/null >/dev/null 2>&1 || true
}

case "${1:-}" in
  --start)
    "$root/tools/ia32.sh" check
    made_now=0
    [ -f "$WINEPREFIX/system.reg" ] || made_now=1
    serve_prefix
    [ "$made_now" -eq 1 ] || ! starts_32bit || exit 0
    # A prefix made while this host could not run 32-bit programs stays unable to start
    # one (kernel32.dll not found, c0000135) until it is made anew.
    if [ "$made_now" -eq 0 ]; then
      echo "the Wine prefix $WINEPREFIX cannot start 32-bit programs; making it anew"
      wineserver -k 2>/dev/null || true
      rm -rf "$WINEPREFIX"
      serve_prefix
    fi
    starts_32bit || {
      echo "Wine cannot start a 32-bit program in $WINEPREFIX (its 32-bit cmd.exe failed)" >&2
      exit 1
    }
    ;;
  --stop)
    wineserver -k 2>/dev/null || true
    ;;
  *)
    exec wine "$@"
    ;;
esac
