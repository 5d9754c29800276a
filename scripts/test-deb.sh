#!/usr/bin/env bash
# Builds kelvora-cli alone (Release, no tests, no sanitizers), packages it
# with `cpack -G DEB` and checks the package: its name, a stripped program,
# the libraries it needs as dependencies; then installs it with
# `apt install ./kelvora-cli_*.deb` into a clean Debian 12 root made with
# debootstrap and runs `kelvora-cli --version` and `man kelvora-cli` there.
#
# Needs root, debootstrap and a Debian mirror (KELVORA_DEB_MIRROR, default
# http://deb.debian.org/debian); the first run takes some minutes. Not part
# of scripts/test.sh. The bare root is kept in build/debian12-root and copied
# afresh for every run, so that each install starts from a clean system.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
release=$build/deb
base=${KELVORA_DEB_ROOT:-$build/debian12-root}
mirror=${KELVORA_DEB_MIRROR:-http://deb.debian.org/debian}

[ "$(id -u)" = 0 ] || { echo "test-deb.sh: needs root (debootstrap, chroot)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "test-deb.sh: needs debootstrap (apt-get install debootstrap)" >&2; exit 2; }

echo "== Package"
cmake -S "$root" -B "$release" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKELVORA_SANITIZERS= >/dev/null
cmake --build "$release" -j 2 --target kelvora-cli kelvora_man_page >/dev/null
rm -f "$release"/kelvora-cli_*.deb
(cd "$release" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^set(KELVORA_CLI_VERSION \(.*\))$/\1/p' "$root/CMakeLists.txt")
deb=$release/kelvora-cli_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "FAIL: no $deb" >&2; ls "$release"/*.deb >&2; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "$(basename "$deb"): Depends: $depends"
for library in libc6 libstdc++6 libfmt; do
  grep -q "$library" <<<"$depends" || { echo "FAIL: $library is not among the dependencies" >&2; exit 1; }
done
unpacked=$(mktemp -d)
chroot_dir=""
cleanup() {
  [ -n "$chroot_dir" ] && { umount "$chroot_dir/proc" 2>/dev/null || true; rm -rf "$chroot_dir"; }
  rm -rf "$unpacked"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$unpacked"
file "$unpacked/usr/bin/kelvora-cli" | grep -q ', stripped' || { echo "FAIL: the program is not stripped" >&2; exit 1; }
if objdump -p "$unpacked/usr/bin/kelvora-cli" | grep -q 'NEEDED.*\(asan\|ubsan\|tsan\)'; then
  echo "FAIL: the program links a sanitizer" >&2
  exit 1
fi
for file in usr/share/man/man1/kelvora-cli.1.gz usr/share/bash-completion/completions/kelvora-cli \
            usr/share/zsh/vendor-completions/_kelvora-cli usr/share/fish/vendor_completions.d/kelvora-cli.fish; do
  [ -f "$unpacked/$file" ] || { echo "FAIL: the package has no /$file" >&2; exit 1; }
done

echo "== Clean Debian 12 root"
if [ ! -x "$base/usr/bin/apt-get" ]; then
  rm -rf "$base"
  debootstrap --variant=minbase bookworm "$base" "$mirror"
fi
chroot_dir=$(mktemp -d "$build/debian12-run.XXXXXX")
cp -a "$base/." "$chroot_dir/"
cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf" 2>/dev/null || true
mount -t proc proc "$chroot_dir/proc"
cp "$deb" "$chroot_dir/tmp/"
in_root() {
  chroot "$chroot_dir" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}
quietly() {  # runs a command in the root, its output shown only when it fails
  in_root "$@" >"$unpacked/log" 2>&1 || { cat "$unpacked/log" >&2; echo "FAIL: $*" >&2; exit 1; }
}
quietly apt-get update -q
quietly apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")" man-db

echo "== Installed"
in_root kelvora-cli --version
[ "$(in_root kelvora-cli --version)" = "kelvora-cli $version" ] || { echo "FAIL: kelvora-cli --version" >&2; exit 1; }
page=$(in_root env MANPAGER=cat COLUMNS=80 man kelvora-cli)
for section in NAME SYNOPSIS OPTIONS "DURATION AND SHIFT" "EXIT STATUS" ENVIRONMENT FILES "SEE ALSO"; do
  grep -q "^$section" <<<"$page" || { echo "FAIL: man kelvora-cli has no $section" >&2; exit 1; }
done
echo "$page" | head -3
in_root bash -c 'source /usr/share/bash-completion/completions/kelvora-cli && complete -p kelvora-cli' >/dev/null ||
  { echo "FAIL: the bash completion does not load" >&2; exit 1; }
quietly apt-get remove -y -q kelvora-cli
[ ! -e "$chroot_dir/usr/bin/kelvora-cli" ] || { echo "FAIL: apt remove left the program" >&2; exit 1; }
echo "The package installs, runs, shows its page and is removed in a clean Debian 12 root."
