#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test:
# native unit tests and kelvora-cli's tests (with ASan and UBSan, and its
# threaded walk again under TSan), the fuzz targets for a bounded time,
# Windows-side unit tests under Wine, and end-to-end tests of Kelvora.exe
# under Wine and Xvfb. The Windows-side programs are 32-bit, or 64-bit under
# the 64-bit Wine where this machine runs no 32-bit code (scripts/win-arch.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
# Each step's heading carries the minutes and seconds since the start.
stage() { printf '== [%d:%02d] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$1"; }
"$root/scripts/install-deps.sh"
source "$root/scripts/win-arch.sh"
stage "Build: the Windows programs that run here"
"$root/scripts/build.sh" tested

# The Windows-side tests spend much of their time waiting on windows under
# Wine: they run in the background, as soon as their programs are built,
# while the native side is built and tested; their output follows at the end.
stage "Windows-side and end-to-end tests started (${KELVORA_WIN_ARCH}-bit build, Wine, Xvfb)"
win_log="$build/win-tests.log"
setsid "$root/scripts/with-wine-display.sh" bash -c "cd '$KELVORA_WIN_BUILD' && ctest --output-on-failure --timeout 300" \
  >"$win_log" 2>&1 &
win_tests=$!
trap 'kill -- -$win_tests 2>/dev/null || kill $win_tests 2>/dev/null || true' EXIT

stage "Build: the rest (native tests, the 32-bit product)"
"$root/scripts/build.sh" rest

stage "Native unit tests, kelvora-cli tests (AddressSanitizer, UBSan)"
(cd "$build/native" && ctest --output-on-failure --timeout 120 -j 2)

stage "kelvora-cli threaded walk (ThreadSanitizer)"
cmake -S "$root" -B "$build/tsan" -DCMAKE_BUILD_TYPE=Debug -DKELVORA_SANITIZERS=thread >/dev/null
cmake --build "$build/tsan" -j "$(nproc)" --target cli_tests kelvora-cli >/dev/null
TSAN_OPTIONS=halt_on_error=1 "$build/tsan/tests/cli_tests" \
  --gtest_filter='Jobs.*:JournalWriter.*:Names.ManyDeepFoldersWithFewHandles:Output.Sigterm*:Output.CtrlC*:Recheck.*:OpenFiles.*:Undo*:HardLinks.*:Against.*:Verify*:Folders.*:*BatchedCalls*' --gtest_brief=1
# The threaded changes again with their calls asked together through
# io_uring, as on a network share.
KELVORA_IO_URING=1 TSAN_OPTIONS=halt_on_error=1 "$build/tsan/tests/cli_tests" \
  --gtest_filter='Jobs.*:Recheck.*:Folders.*:HardLinks.*' --gtest_brief=1

# Each fuzz target replays its seeds and regressions, then fuzzes for a
# bounded time: 10 s each, or less so that all of them together take at most
# 60 s and the whole step, build included, stays near 2 minutes.
# KELVORA_FUZZ_SECONDS sets the time per target (0 replays only).
stage "Fuzz targets (libFuzzer, AddressSanitizer, UBSan)"
targets=$("$root/scripts/fuzz.sh")
(cd "$build/fuzz" && ctest --output-on-failure --timeout 120)
count=$(wc -w <<<"$targets")
seconds=${KELVORA_FUZZ_SECONDS:-$((60 / count < 10 ? 60 / count : 10))}
if [ "$seconds" -gt 0 ]; then
  for target in $targets; do
    log="$build/fuzz/$target.log"
    if ! "$root/scripts/fuzz.sh" "$target" "$seconds" >"$log" 2>&1; then
      tail -n 40 "$log"
      echo "fuzz target $target failed; its input is in $build/fuzz/artifacts/$target/" >&2
      exit 1
    fi
    echo "$target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions in $seconds s"
  done
fi

stage "Windows-side and end-to-end tests: waiting for their end"
win_status=0
wait "$win_tests" || win_status=$?
trap - EXIT
cat "$win_log"
[ "$win_status" -eq 0 ] || { echo "Windows-side tests failed (log: $win_log)" >&2; exit "$win_status"; }
stage "All tests passed"
