#!/usr/bin/env bash
# The product's main job from a fresh machine: set-up, build, install the product into a Wine prefix
# of its own as the installer would, and drive the installed plug-in through the host program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
BUILD_TYPE=Release BUILD_DIR="$root/build-release" "$root/scripts/build.sh" >/dev/null
export WINEPREFIX=${RELAYMX_PREFIX:-$root/out/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
bin="$root/build-release/bin"
wine "$bin/plughost.exe" install
installed="C:\\Program Files\\Kestrom\\Corvane Suite\\plughost.exe"
wine "$installed" info "$@"
wineserver -w
