#!/usr/bin/env bash
# Builds the native test configuration (portable code, kelvora-cli and their
# tests, with AddressSanitizer and UBSan) in build/native and the Windows
# configuration (Kelvora.exe, kelvora-cli.exe, Windows-side tests, driver) in
# build/win, 32-bit. Where the Windows-side
# programs run as 64-bit ones (scripts/win-arch.sh), build/win holds only
# the two products and build/win64 everything. Pass "win" to build only the
# Windows side, and after it the names of targets to build only those; pass
# "tested" to build only the Windows build whose programs run here, whole,
# and "rest" for all that "tested" leaves out.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/win-arch.sh"
jobs=$(nproc)
what=${1:-all}
build=${KELVORA_BUILD:-$root/build}

if [ "$what" = all ] || [ "$what" = rest ]; then
  cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Debug \
        -DKELVORA_SANITIZERS=address,undefined \
        -DKELVORA_WIN32_BUILD="$KELVORA_WIN32_BUILD" >/dev/null
  cmake --build "$build/native" -j "$jobs"
fi

targets=()
[ "$what" = win ] && [ $# -gt 1 ] && targets=(--target "${@:2}")
products=(--target Kelvora kelvora-cli)

# The product, 32-bit, always; and the same sources for x86-64, whose
# programs run here where 32-bit ones do not.
configure_win() {
  cmake -S "$root" -B "$build/win" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
}
configure_win64() {
  cmake -S "$root" -B "$build/win64" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
}

if [ "$what" = tested ]; then
  "configure_$(basename "$KELVORA_WIN_BUILD")"
  cmake --build "$KELVORA_WIN_BUILD" -j "$jobs"
  exit 0
fi
if [ "$what" = rest ]; then
  if [ "$KELVORA_WIN_ARCH" = 64 ]; then
    configure_win
    cmake --build "$build/win" -j "$jobs" "${products[@]}"
  fi
  exit 0
fi

configure_win
if [ "$KELVORA_WIN_ARCH" = 32 ]; then
  cmake --build "$build/win" -j "$jobs" "${targets[@]}"
  exit 0
fi
cmake --build "$build/win" -j "$jobs" "${products[@]}"
configure_win64
cmake --build "$build/win64" -j "$jobs" "${targets[@]}"
