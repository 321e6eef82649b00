#!/usr/bin/env bash
# Installs the Debian packages given as arguments that are not installed yet, with the
# i386 architecture that wine32 needs. First makes sure this host runs 32-bit x86
# programs, setting up their emulation where the kernel does not (tools/ia32.sh): wine32's
# own installation already runs i386 programs. Changes nothing when everything is there.
set -euo pipefail
"$(dirname "${BASH_SOURCE[0]}")/ia32.sh" ensure

missing=()
for pkg in "$@"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
echo "installing: ${missing[*]}"
$sudo apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
