#!/usr/bin/env bash
# Makes sure this host runs 32-bit x86 Linux programs, which Wine needs for our 32-bit
# Windows programs: natively, or, where the kernel has its 32-bit support switched off
# ("32-bit emulation disabled" in its log; every i386 program fails with "Exec format
# error"), through a user-mode qemu-i386 that binfmt_misc starts for every i386 program.
#
#   tools/ia32.sh ensure   checks, and sets up emulation where it is needed (idempotent;
#                          root or sudo only when something has to change)
#   tools/ia32.sh check    exits 0 when 32-bit programs run now, 1 with a hint otherwise
#   tools/ia32.sh mode     prints "native" or "emulated by qemu-i386 <version>"
#
# Why qemu 9 or later: bookworm's own qemu-user 7.2 ignores MAP_FIXED_NOREPLACE, so Wine's
# reservation of the low address space walks it in 64 KiB steps (wineboot takes ten
# minutes, a hello program prints nothing in 90 s). The qemu-user of bookworm-backports
# (10.0.x) has static binaries and no dependencies; backports are never chosen unless
# asked for by name, so adding that suite upgrades nothing else on the machine, and dpkg
# keeps track of the package (unlike a .deb unpacked by hand).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
binfmt=/proc/sys/fs/binfmt_misc
entry=qemu-i386
qemu=/usr/bin/qemu-i386
min_major=9
# i386 ELF executables and shared objects, the magic and mask of qemu's own binfmt script;
# binfmt_misc reads the \x escapes itself.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
magic_hex=7f454c4601010100000000000000000002000300

fail() {
  echo "make setup: $*" >&2
  exit 1
}

# Runs a 96-byte static i386 program that exits with 42 (mov eax,1; mov ebx,42; int 0x80).
# It is written below build/, as /tmp may be mounted noexec.
probe() {
  local dir="$root/build" file rc=0
  mkdir -p "$dir"
  file="$(mktemp "$dir/ia32-probe.XXXXXX")"
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$file"
  chmod +x "$file"
  timeout 60 "$file" </dev/null >/dev/null 2>&1 || rc=$?
  rm -f "$file"
  [ "$rc" -eq 42 ]
}

# The enabled binfmt_misc entries that claim i386 programs, one name a line.
i386_entries() {
  [ -d "$binfmt" ] || return 0
  local f
  for f in "$binfmt"/*; do
    case "${f##*/}" in register | status) continue ;; esac
    [ -f "$f" ] || continue
    grep -qx enabled "$f" && grep -qx "magic $magic_hex" "$f" && echo "${f##*/}"
  done
  return 0
}

# "10.0.2" for a qemu-i386 program, nothing when it is not one.
qemu_version() {
  [ -x "$1" ] || return 0
  "$1" --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([0-9][0-9.]*\).*/\1/p'
}

recent_enough() {
  local version="$1"
  [ -n "$version" ] && [ "${version%%.*}" -ge "$min_major" ]
}

# Our entry is there, enabled, opened at registration (flag F) and recent enough.
our_entry_serves() {
  local f="$binfmt/$entry" interpreter
  [ -f "$f" ] && grep -qx enabled "$f" && grep -q '^flags: .*F' "$f" || return 1
  interpreter="$(sed -n 's/^interpreter //p' "$f")"
  recent_enough "$(qemu_version "$interpreter")"
}

mode() {
  local serving
  serving="$(i386_entries | grep -x "$entry" || i386_entries | head -n 1)"
  if [ -n "$serving" ]; then
    local interpreter
    interpreter="$(sed -n 's/^interpreter //p' "$binfmt/$serving")"
    local version
    version="$(qemu_version "$interpreter")"
    if [ -n "$version" ]; then
      echo "emulated by qemu-i386 $version"
    else
      echo "emulated by $interpreter"
    fi
  else
    echo native
  fi
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    fail "this host cannot run 32-bit x86 programs, and setting up their emulation needs root: run 'make setup' as root or install sudo."
  fi
}

install_qemu() {
  recent_enough "$(qemu_version "$qemu")" && return 0
  echo "installing qemu-user $min_major or later (this host runs 32-bit x86 programs only under emulation)"
  local codename candidate
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
  as_root apt-get update -q >/dev/null || fail "apt-get update failed: qemu-user cannot be had."
  candidate="$(apt-cache policy qemu-user | sed -n 's/^ *Candidate: [0-9]*:\{0,1\}\([0-9][0-9.]*\).*/\1/p')"
  if recent_enough "$candidate"; then
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
      qemu-user || fail "could not install qemu-user; 32-bit x86 programs cannot run on this host without it."
  elif [ "$codename" = bookworm ]; then
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm-backports' \
        'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
        as_root tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
    fi
    as_root apt-get update -q >/dev/null || fail "apt-get update failed with bookworm-backports."
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
      -t bookworm-backports qemu-user ||
      fail "could not install qemu-user from bookworm-backports; 32-bit x86 programs cannot run on this host without it."
  fi
  recent_enough "$(qemu_version "$qemu")" ||
    fail "no qemu-user $min_major or later could be installed (apt offers '${candidate:-none}'); 32-bit x86 programs cannot run on this host without it."
}

register() {
  if [ ! -e "$binfmt/register" ]; then
    as_root mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
      fail "binfmt_misc is not available here ($binfmt cannot be mounted), so 32-bit x86 programs cannot be emulated; use a host whose kernel runs them (ia32_emulation=on) or one with binfmt_misc."
  fi
  # An older registration under our name (another qemu, or without flag F) gives way.
  if [ -f "$binfmt/$entry" ]; then
    echo -1 | as_root tee "$binfmt/$entry" >/dev/null
  fi
  echo ":$entry:M::$magic:$mask:$qemu:F" | as_root tee "$binfmt/register" >/dev/null ||
    fail "could not register $qemu with binfmt_misc."
}

ensure() {
  if [ -z "$(i386_entries)" ] && probe; then
    return 0 # native: nothing to do
  fi
  if ! { our_entry_serves && probe; }; then
    install_qemu
    register
    probe || fail "32-bit x86 programs still do not run with $qemu registered; see '$binfmt/$entry'."
  fi
  echo "note: 32-bit x86 programs, Wine's among them, run under emulation on this host: $(mode)."
}

case "${1:-}" in
  ensure) ensure ;;
  check)
    probe || {
      echo "32-bit x86 programs do not run on this host now; 'make setup' sets up their emulation." >&2
      exit 1
    }
    ;;
  mode) mode ;;
  *)
    echo "usage: $0 ensure|check|mode" >&2
    exit 2
    ;;
esac
