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

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
