#!/usr/bin/env bash
# Installs every tool the build, the run and the tests call, on Debian 12.
# Does nothing when everything is already there.
set -euo pipefail

packages=(
  ca-certificates git make cmake g++ googletest libgtest-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick fonts-dejavu-core procps
  clang libclang-rt-14-dev
  libcli11-dev nlohmann-json3-dev libfmt-dev
  dosfstools fusefat rsync e2fsprogs util-linux
  libarchive-tools mtree-netbsd
  liburing-dev
)

# Whether this machine runs 32-bit x86 programs: a 93-byte i386 program that
# only exits. Some hosts have IA-32 emulation turned off ("Exec format
# error"); there the 32-bit Wine is of no use (the tests run the 64-bit build
# under wine64) and is not installed. The probe sits in the build folder,
# where programs are run anyway (a temporary folder may be mounted noexec).
runs_32bit() {
  local dir probe
  dir=${KELVORA_BUILD:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}
  mkdir -p "$dir"
  probe=$dir/.probe-i386
  printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
    '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' \
    '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  local status=0
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  return $status
}
if [ "${KELVORA_WIN_ARCH:-}" = 64 ] || ! runs_32bit; then
  kept=()
  for p in "${packages[@]}"; do
    [ "$p" = wine32:i386 ] || kept+=("$p")
  done
  packages=("${kept[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
# A mirror caught mid-sync refuses an index for a while ("File has unexpected
# size"): the lists are fetched again after a pause, and the packages are
# installed from whatever lists were read if the mirror still is not whole.
apt=("${sudo_cmd[@]}" apt-get -o Acquire::Retries=3)
for attempt in 1 2 3; do
  if "${apt[@]}" update -qq; then
    break
  fi
  [ "$attempt" -lt 3 ] || break
  echo "apt-get update failed (attempt $attempt); trying again in $((attempt * 15)) s" >&2
  sleep $((attempt * 15))
done
apt_install() {
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
apt_install && exit 0
# The i386 lists are the ones a mirror most often has half-synced, their
# libraries a security update behind the amd64 ones. Without the 32-bit Wine
# the tests run the 64-bit build under wine64 (scripts/win-arch.sh), so the
# rest is installed without it rather than not at all.
if [[ " ${missing[*]} " == *" wine32:i386 "* ]]; then
  echo "installing without wine32:i386: the tests will run the 64-bit Windows build" >&2
  rest=()
  for p in "${missing[@]}"; do
    [ "$p" = wine32:i386 ] || rest+=("$p")
  done
  missing=("${rest[@]}")
  apt_install && exit 0
fi
echo "apt-get install failed; fetching the lists again in 30 s" >&2
sleep 30
"${apt[@]}" update -qq || true
apt_install
