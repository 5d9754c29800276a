#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UBSan) in
# build/fuzz and runs one of them for as long as asked:
#
#   scripts/fuzz.sh                      builds and lists the targets
#   scripts/fuzz.sh TARGET [SECONDS]     runs TARGET (default 600 s); further
#                                        arguments go to libFuzzer
#
# The run starts from the seeds in tests/fuzz/corpus/TARGET, the kept
# regressions in tests/fuzz/regressions/TARGET and what earlier runs found
# (build/fuzz/work/TARGET, where new inputs go; the repository is not
# written). An input that fails is saved in build/fuzz/artifacts/TARGET/ and
# the run ends with a failure; once the fault is mended, copy that file into
# tests/fuzz/regressions/TARGET/ so that every test run replays it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}/fuzz

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKELVORA_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target kelvora_fuzz -j "$(nproc)" >/dev/null

targets=$(cat "$build/fuzz_targets.txt")
if [ $# -eq 0 ]; then
  echo "$targets"
  exit 0
fi

target=$1
seconds=${2:-600}
shift $(($# < 2 ? $# : 2))
if ! grep -qx "$target" <<<"$targets"; then
  echo "unknown fuzz target '$target'; the targets are:" $targets >&2
  exit 2
fi

work="$build/work/$target"
artifacts="$build/artifacts/$target"
mkdir -p "$work" "$artifacts"
inputs=("$work" "$root/tests/fuzz/corpus/$target")
[ -d "$root/tests/fuzz/regressions/$target" ] && inputs+=("$root/tests/fuzz/regressions/$target")

# -timeout: one input taking more than 30 s counts as a hang. -max_len: new
# inputs stay short however long a kept regression is.
exec "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "${inputs[@]}"
