#!/usr/bin/env bash
# Benchmark of the folder walk of a touch run: builds trees of 10,000 and
# 100,000 empty files (100 files a folder, folders two levels deep) and times
# the one breadth-first walk that lists the folders and hands over their
# files with sizes and times, on one core, after a warm-up pass.
# Prints files, folders, seconds and microseconds per file, which stays about
# flat when the listing grows linearly.
# Usage: scripts/bench-listing.sh [FILES ...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
source "$root/scripts/win-arch.sh"
bench="$KELVORA_WIN_BUILD/tests/bench_listing.exe"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000)

if [ ! -f "$bench" ]; then
  "$root/scripts/build.sh" win >/dev/null
fi
[ -f "$bench" ] || { echo "missing $bench (target bench_listing)" >&2; exit 1; }

# A tree of FILES files: FILES/100 folders of 100 files, under 10 top folders.
make_tree() {
  local dir=$1 files=$2
  local folders=$((files / 100))
  rm -rf "$dir"; mkdir -p "$dir"
  (
    cd "$dir"
    for ((f = 0; f < folders; f++)); do printf 'top%d/f%05d\n' $((f % 10)) "$f"; done >list
    sed 's|/.*||' list | sort -u | xargs mkdir
    xargs mkdir <list
    while read -r folder; do
      printf "$folder/file%03d.dat\n" $(seq 0 99)
    done <list | xargs touch
    rm list
  )
}

source "$root/scripts/wine-env.sh"
printf '%8s %8s %10s %12s\n' files folders seconds us_per_file
for files in "${sizes[@]}"; do
  dir="$build/bench/listing$files"
  [ -d "$dir" ] || make_tree "$dir" "$files"
  windir=$(printf 'Z:%s' "$dir" | tr '/' '\\')
  wine "$bench" "$windir" 1 >/dev/null   # warm-up: caches and the Wine server
  out=$(taskset -c 0 wine "$bench" "$windir" 3)
  listed=$(sed -n 's/.*files=\([0-9]*\).*/\1/p' <<<"$out")
  folders=$(sed -n 's/.*folders=\([0-9]*\).*/\1/p' <<<"$out")
  seconds=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")
  # The walk must have met every file and folder of the tree (start folder included).
  want_folders=$(( files / 100 + 11 ))
  if [ "$listed" != "$files" ] || [ "$folders" != "$want_folders" ]; then
    echo "bench-listing: walked $listed files in $folders folders, expected $files in $want_folders" >&2
    exit 1
  fi
  per=$(awk -v s="$seconds" -v n="$listed" 'BEGIN {printf "%.1f", s * 1e6 / n}')
  printf '%8s %8s %10s %12s\n' "$listed" "$folders" "$seconds" "$per"
done
