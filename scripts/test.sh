#!/usr/bin/env bash
# The whole test suite from a fresh machine: set-up, build, then every test program, the Windows
# ones under Wine (in the build's private prefix, on a virtual display) and the native ones directly.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# Includes keep to the layers that the README draws.
python3 "$root/scripts/check_layers.py"
# The native build runs the parsers, codecs and the classifier core under AddressSanitizer and
# UndefinedBehaviorSanitizer.
NATIVE_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
  "$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
(cd "$build-native" && ctest --output-on-failure -j"$(nproc)")
cd "$build"
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j"$(nproc)"
