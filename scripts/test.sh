#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test:
# native unit tests, Windows-side unit tests under Wine, and end-to-end tests
# of Kelvora.exe under Wine and Xvfb.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

echo "== Native unit tests"
(cd "$build/native" && ctest --output-on-failure --timeout 120)

echo "== Windows-side and end-to-end tests (Wine, Xvfb)"
"$root/scripts/with-wine-display.sh" bash -c "cd '$build/win' && ctest --output-on-failure --timeout 300"
