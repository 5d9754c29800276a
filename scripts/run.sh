#!/usr/bin/env bash
# Installs what is missing, builds Kelvora.exe and runs it under Wine on
# $DISPLAY. Without a display it runs a demo instead: a touch run over
# generated sample folders under Xvfb, printing the result lines and saving
# a screenshot of the window.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" win
kdriver="$build/win/tests/kdriver.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  source "$root/scripts/wine-env.sh"
  exec wine "$kdriver" run "$@"
fi

demo="$build/demo"
"$root/scripts/make-sample.sh" "$demo"
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
echo "No display: demo on sample folders in $demo"
"$root/scripts/with-wine-display.sh" wine "$kdriver" demo \
  "$(winpath "$demo/originals")" "$(winpath "$demo/copies")" "$demo/kelvora-demo.png" |
  iconv -f CP1252 -t UTF-8
echo "Screenshot saved: $demo/kelvora-demo.png"
