#!/usr/bin/env bash
# Configures and builds the Windows modules (MinGW-w64) in BUILD_DIR (default: build) and the
# Win32-free parts natively in BUILD_DIR-native.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
type=${BUILD_TYPE:-RelWithDebInfo}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
ninja -C "$build" -j"$(nproc)"
# NATIVE_FLAGS: extra compiler flags of the native build (the test command turns the sanitizers on).
cmake -S "$root" -B "$build-native" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
      -DCMAKE_CXX_FLAGS="${NATIVE_FLAGS:-}" -DCMAKE_EXE_LINKER_FLAGS="${NATIVE_FLAGS:-}" >/dev/null
ninja -C "$build-native" -j"$(nproc)"
