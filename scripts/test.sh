#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test:
# native unit tests and kelvora-cli's tests (with ASan and UBSan, and its
# threaded walk again under TSan), Windows-side unit tests under Wine, and
# end-to-end tests of Kelvora.exe under Wine and Xvfb.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

echo "== Native unit tests, kelvora-cli tests (AddressSanitizer, UBSan)"
(cd "$build/native" && ctest --output-on-failure --timeout 120 -j 2)

echo "== kelvora-cli threaded walk (ThreadSanitizer)"
cmake -S "$root" -B "$build/tsan" -DCMAKE_BUILD_TYPE=Debug -DKELVORA_SANITIZERS=thread >/dev/null
cmake --build "$build/tsan" -j "$(nproc)" --target cli_tests kelvora-cli >/dev/null
TSAN_OPTIONS=halt_on_error=1 "$build/tsan/tests/cli_tests" \
  --gtest_filter='Jobs.*:Names.ManyDeepFoldersWithFewHandles:Output.Interrupt*:Recheck.*' --gtest_brief=1

echo "== Windows-side and end-to-end tests (Wine, Xvfb)"
"$root/scripts/with-wine-display.sh" bash -c "cd '$build/win' && ctest --output-on-failure --timeout 300"
