#!/usr/bin/env bash
# Benchmark of a touch run: for trees of 10,000, 50,000 and 200,000 pairs of
# files in 1 per 100 folders (half the copies one hour off, a quarter equal, a
# quarter of another size), times Kelvora from the click on "Touch heure..."
# to its end box, and the floor program (both trees walked once, only the
# matching copies opened) in the same run. Everything runs on one core; after
# a warm-up, five paired runs; medians, ratio and Kelvora's peak memory.
# The programs are the 64-bit build where this machine runs no 32-bit code
# (scripts/win-arch.sh); the first line printed says which.
# Usage: scripts/bench-touch.sh [PAIRS ...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
source "$root/scripts/win-arch.sh"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 50000 200000)

cat > "$build/bench-inner.sh" <<'INNER'
set -euo pipefail
build=$1; win=$2; shift 2
make_tree="$build/native/tests/bench_make_tree"
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
printf '%8s %10s %10s %7s %12s %s\n' pairs kelvora_s floor_s ratio peak_mb lines
for pairs in "$@"; do
  dir="$build/bench/t$pairs"
  folders=$((pairs / 100))
  if [ ! -d "$dir/copies" ]; then
    mkdir -p "$dir"
    "$make_tree" "$dir" "$pairs" "$folders"
  fi
  originals=$(winpath "$dir/originals"); copies=$(winpath "$dir/copies")
  k_times=(); f_times=(); peak=0; lines=0
  for run in 0 1 2 3 4 5; do
    "$make_tree" --retime "$dir" "$pairs" "$folders"
    k=$(wine "$win/tests/kdriver.exe" bench "$originals" "$copies")
    "$make_tree" --retime "$dir" "$pairs" "$folders"
    f=$(wine "$win/tests/bench_floor.exe" "$originals" "$copies")
    [ "$run" -eq 0 ] && continue   # warm-up
    k_times+=("$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$k")")
    f_times+=("$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$f")")
    p=$(sed -n 's/.*peak_private_mb=\([0-9.]*\).*/\1/p' <<<"$k")
    peak=$(awk -v a="$peak" -v b="$p" 'BEGIN {print (b > a ? b : a)}')
    lines=$(sed -n 's/.*lines=\([0-9]*\).*/\1/p' <<<"$k")
  done
  # Copies k with k % 4 of 0 or 1 are one hour off: one line each.
  expected=$(( 2 * (pairs / 4) + (pairs % 4 < 2 ? pairs % 4 : 2) ))
  if [ "$lines" != "$expected" ]; then
    echo "bench-touch: $pairs pairs gave $lines lines, expected $expected" >&2
    exit 1
  fi
  km=$(printf '%s\n' "${k_times[@]}" | median)
  fm=$(printf '%s\n' "${f_times[@]}" | median)
  ratio=$(awk -v a="$km" -v b="$fm" 'BEGIN {printf "%.2f", a / b}')
  printf '%8s %10s %10s %7s %12s %s\n' "$pairs" "$km" "$fm" "$ratio" "$peak" "$lines"
done
INNER
echo "Windows programs: ${KELVORA_WIN_ARCH}-bit build ($KELVORA_WIN_BUILD)"
taskset -c 0 "$root/scripts/with-wine-display.sh" bash "$build/bench-inner.sh" "$build" "$KELVORA_WIN_BUILD" "${sizes[@]}"
