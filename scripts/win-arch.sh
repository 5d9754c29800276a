# Sourced: picks the architecture of the Windows programs that the tests,
# the demo and the benchmarks run. The product is 32-bit and always built
# as such; where this machine runs no 32-bit code (the 32-bit Wine loader
# does not start), the same sources are built for x86-64 as well and those
# programs run under the 64-bit Wine. KELVORA_WIN_ARCH=32 or 64 forces one.
# Sets KELVORA_WIN_ARCH, KELVORA_WIN_BUILD (the build folder whose programs
# run) and KELVORA_WIN32_BUILD (the product's build folder).
kelvora_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kelvora_build=${KELVORA_BUILD:-$kelvora_root/build}
if [ -z "${KELVORA_WIN_ARCH:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    KELVORA_WIN_ARCH=32
  else
    KELVORA_WIN_ARCH=64
  fi
fi
case "$KELVORA_WIN_ARCH" in
  32) KELVORA_WIN_BUILD=$kelvora_build/win ;;
  64) KELVORA_WIN_BUILD=$kelvora_build/win64 ;;
  *) echo "KELVORA_WIN_ARCH must be 32 or 64, not '$KELVORA_WIN_ARCH'" >&2; return 2 ;;
esac
KELVORA_WIN32_BUILD=$kelvora_build/win
export KELVORA_WIN_ARCH KELVORA_WIN_BUILD KELVORA_WIN32_BUILD
