#!/usr/bin/env bash
# Installs what the build, the tests and the main job need on a Debian machine. Idempotent: packages
# that are already there are not asked for again, so a warm machine skips this in a second.
set -euo pipefail
# Icons are drawn from SVG (librsvg2-bin, imagemagick, icoutils); the help file is compiled with
# chmcmd (fp-utils) and read back by the tests (libchm-bin). Tests press real keys with xdotool; the
# screenshots are framed by openbox and taken with ImageMagick's import.
packages=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb xauth
          libgtest-dev googletest python3 librsvg2-bin imagemagick icoutils fp-utils libchm-bin xdotool
          openbox)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The corpus of the main job and the benchmark comes from the npm registry; any npm will do.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
