#!/usr/bin/env bash
# Builds the native configuration (portable code and its unit tests) in
# build/native and the Windows configuration (Kelvora.exe, Windows-side tests,
# driver) in build/win. Pass "win" to build only the Windows side, and after
# it the names of targets to build only those.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)
what=${1:-all}
build=${KELVORA_BUILD:-$root/build}

if [ "$what" = all ]; then
  cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$build/native" -j "$jobs"
fi
cmake -S "$root" -B "$build/win" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
targets=()
[ "$what" = win ] && [ $# -gt 1 ] && targets=(--target "${@:2}")
cmake --build "$build/win" -j "$jobs" "${targets[@]}"
