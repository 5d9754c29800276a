#!/usr/bin/env bash
# Peak memory of kelvora-cli on a deep tree: LEVELS nested folders of
# 250-byte names on both sides (paths of about a megabyte), a pair of files
# at every level, the copies an hour late; paired in the same run with a
# flat tree of as many folders and files (every folder at the top), which
# is the baseline. Prints scan's and fix's time and peak memory on both, and
# fails when fix on the deep tree passes LIMIT_MB or misses a copy.
# Usage: scripts/bench-depth.sh      LEVELS=4300 LIMIT_MB=64 BENCH_DIR=build/bench-depth
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
release=$build/cli-release
levels=${LEVELS:-4300}
limit=${LIMIT_MB:-64}
bench=${BENCH_DIR:-$build/bench-depth}

cmake -S "$root" -B "$release" -DCMAKE_BUILD_TYPE=Release -DKELVORA_SANITIZERS= >/dev/null
cmake --build "$release" -j 2 --target kelvora-cli bench_cli_timer >/dev/null
cli=$release/kelvora-cli
timer=$release/tests/bench_cli_timer
export XDG_STATE_HOME=$bench/state

# make SHAPE DIR: both trees, deep (each folder inside the one before) or
# flat (every folder at the top), by descriptors so that no path is whole.
make() {
  python3 - "$1" "$2" "$levels" <<'PY'
import os, sys
shape, top, levels = sys.argv[1], sys.argv[2], int(sys.argv[3])
hour = 3600 * 10**9
t = 1262304000 * 10**9
for side, delta in (("originals", 0), ("copies", hour)):
    os.makedirs(os.path.join(top, side))
    root = os.open(os.path.join(top, side), os.O_RDONLY | os.O_DIRECTORY)
    at = os.dup(root)
    for level in range(levels):
        name = ("%05d" % level) + "d" * 245
        os.mkdir(name, dir_fd=at)
        inner = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=at)
        file = os.open("f", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=inner)
        os.write(file, b"x" * (level % 7 + 1))
        os.close(file)
        os.utime("f", ns=(t + level + delta, t + level + delta), dir_fd=inner)
        if shape == "deep":
            os.close(at)
            at = inner
        else:
            os.close(inner)
    os.close(at)
    os.close(root)
PY
}

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

printf '%-6s %7s %8s %8s %8s %8s %8s\n' tree levels scan_s scan_mb fix_s fix_mb touched
for shape in flat deep; do
  dir=$bench/$shape
  rm -rf "$dir" "$XDG_STATE_HOME"
  mkdir -p "$dir"
  make "$shape" "$dir"
  scan=$("$timer" "$cli" scan "$dir/originals" "$dir/copies" 2>&1)
  fix=$("$timer" "$cli" fix "$dir/originals" "$dir/copies" --shift 1h --quiet 2>&1)
  touched=$("$cli" scan "$dir/originals" "$dir/copies" --json | sed -n 's/.*"equal_times":\([0-9]*\).*/\1/p')
  printf '%-6s %7s %8s %8s %8s %8s %8s\n' "$shape" "$levels" "$(field seconds <<<"$scan")" \
    "$(field peak_mb <<<"$scan")" "$(field seconds <<<"$fix")" "$(field peak_mb <<<"$fix")" "$touched"
  [ "$touched" = "$levels" ] || { echo "$shape: $touched of $levels copies repaired" >&2; exit 1; }
  peak=$(field peak_mb <<<"$fix")
  if [ "$shape" = deep ] && awk -v p="$peak" -v l="$limit" 'BEGIN {exit !(p > l)}'; then
    echo "deep: fix peaked at $peak MB, over $limit MB" >&2
    exit 1
  fi
  rm -rf "$dir"
done
