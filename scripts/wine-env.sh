# Sourced: sets up the Wine environment of the project and creates its
# private prefix on first use (about 20 seconds).
kelvora_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${KELVORA_WINEPREFIX:-${KELVORA_BUILD:-$kelvora_root/build}/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
# No offer to install Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="
export TZ="${KELVORA_TZ:-Europe/Paris}"

if [ ! -f "$WINEPREFIX/.kelvora-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.kelvora-ready" ]; then
      echo "Creating the Wine prefix $WINEPREFIX ..." >&2
      wineboot -i >/dev/null 2>&1 || true
      # No crash dialog: a crashing program simply ends.
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
      wineserver -w
      touch "$WINEPREFIX/.kelvora-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
