#!/usr/bin/env bash
# Screenshots of the user interface: builds the framework demo (tests/demo), shows its
# property sheet under a virtual display with a window manager (so that title bars and frames are
# drawn), one shot per page, and writes the PNGs to out/screenshots/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$root/out/screenshots

# Runs inside the virtual display: one sheet per page, each shot once the sheet has drawn; the sheet
# cancels itself a few seconds after it started.
# Waits up to 20 seconds for the sheet to show.
shown() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Framework demo$' >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

session() {
  openbox >/dev/null 2>&1 &
  local wm=$!
  sleep 1
  local names=(icons fields notes)
  for page in 0 1 2; do
    "$build/wine-run" "$build/demo/framework_demo.exe" "$page" 6 &
    local demo=$!
    if ! shown; then
      echo "screenshots: the sheet did not show" >&2
      wait "$demo" || true
      continue
    fi
    sleep 2  # the sheet centres itself and paints its page
    import -window root "$out/sheet-${names[$page]}.png"
    # The sheet's own frame, enlarged, so that the icons' edges can be judged pixel by pixel.
    if [ "$page" = 0 ]; then
      eval "$(xdotool search --onlyvisible --name '^Framework demo$' getwindowgeometry --shell | head -n 5)"
      import -window root -crop "${WIDTH}x$((HEIGHT / 2 + 20))+$X+$Y" +repage \
             "$out/sheet-icons-enlarged.png"
      convert "$out/sheet-icons-enlarged.png" -scale 200% "$out/sheet-icons-enlarged.png"
    fi
    wait "$demo" || true
  done
  kill "$wm" 2>/dev/null || true
}

# The script runs itself inside the virtual display for the session.
if [ "${1:-}" = "--session" ]; then
  session
  exit 0
fi
"$root/scripts/setup.sh"
# Configured every time: a build folder made before the demo's folder existed does not know its target.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
ninja -C "$build" -j"$(nproc)" framework_demo wineprefix
mkdir -p "$out"
rm -f "$out"/*.png
xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --session
# The real configuration sheet, through the installed plug-in.
"$root/scripts/sheet_screenshots.sh"
ls "$out"
