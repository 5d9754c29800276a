#!/usr/bin/env bash
# Installs what is missing, builds Kelvora.exe and runs it under Wine on
# $DISPLAY. Without a display it runs a demo instead: the command-line
# program kelvora-cli.exe (scan, then fix) on one sample pair of folders,
# then a touch run of the window over another under Xvfb, printing the
# result lines and saving a screenshot of the window. Only the programs the
# demo runs are built. Where this machine runs no 32-bit code, the 32-bit
# product is built all the same and the 64-bit build of the same sources is
# the one that runs (scripts/win-arch.sh); the demo says so.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
"$root/scripts/install-deps.sh"
source "$root/scripts/win-arch.sh"
"$root/scripts/build.sh" win Kelvora kdriver kelvora-cli
kdriver="$KELVORA_WIN_BUILD/tests/kdriver.exe"
cli="$KELVORA_WIN_BUILD/kelvora-cli.exe"
arch_note=""
if [ "$KELVORA_WIN_ARCH" = 64 ]; then
  arch_note="64-bit build: this machine runs no 32-bit code"
  echo "$arch_note; the demo runs the 64-bit build of the same sources, the product is $KELVORA_WIN32_BUILD/Kelvora.exe"
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  source "$root/scripts/wine-env.sh"
  exec wine "$kdriver" run "$@"
fi

demo="$build/demo"
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

# The command line, on a sample with names the window cannot pair (outside
# its code page): Greek, Cyrillic, Chinese and an emoji.
"$root/scripts/make-sample.sh" "$demo/cli"
mkdir -p "$demo/cli/originals/Ελληνικά" "$demo/cli/copies/Ελληνικά"
for name in "Ελληνικά/καλοκαίρι 😀.jpg" "Ελληνικά/кот 中文.txt"; do
  printf 'photo' > "$demo/cli/originals/$name"
  printf 'photo' > "$demo/cli/copies/$name"
  TZ=UTC touch -d "2012-07-01 10:00:00.5" "$demo/cli/originals/$name"
  TZ=UTC touch -d "2012-07-01 11:00:00.5" "$demo/cli/copies/$name"
done
echo "No display: demo of kelvora-cli.exe on sample folders in $demo/cli"
cli_originals=$(winpath "$demo/cli/originals")
cli_copies=$(winpath "$demo/cli/copies")
(
  source "$root/scripts/wine-env.sh"
  echo "\$ kelvora-cli scan $cli_originals $cli_copies"
  wine "$cli" scan "$cli_originals" "$cli_copies"
  echo
  echo "\$ kelvora-cli fix $cli_originals $cli_copies --shift 1h --report $cli_copies\\..\\report.csv"
  status=0
  wine "$cli" fix "$cli_originals" "$cli_copies" --shift 1h --report "$cli_copies\\..\\report.csv" || status=$?
  echo "(exit status $status)"
  # The window's run below needs a Wine server started on its display.
  wineserver -w
)
echo "Report: $demo/cli/report.csv"
echo

"$root/scripts/make-sample.sh" "$demo"
echo "Demo of Kelvora.exe on sample folders in $demo"
"$root/scripts/with-wine-display.sh" wine "$kdriver" demo \
  "$(winpath "$demo/originals")" "$(winpath "$demo/copies")" "$demo/kelvora-demo.png" |
  iconv -f CP1252 -t UTF-8
if [ -n "$arch_note" ]; then
  # The screenshot carries the note under the window.
  convert "$demo/kelvora-demo.png" -background white -fill black -pointsize 14 \
          -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
          label:"$arch_note" -gravity center -append "$demo/kelvora-demo.png"
fi
echo "Screenshot of the window saved: $demo/kelvora-demo.png"
