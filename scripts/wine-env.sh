# Sourced: sets up the Wine environment of the project for the architecture
# that scripts/win-arch.sh picks, and creates its private prefix on first use
# (about 20 seconds): build/wineprefix (32-bit) or build/wineprefix64.
source "$(dirname "${BASH_SOURCE[0]}")/win-arch.sh"
if [ "$KELVORA_WIN_ARCH" = 64 ]; then
  export WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  export PATH="$kelvora_root/scripts/wine64:$PATH"
  default_prefix=$kelvora_build/wineprefix64
else
  export WINEARCH=win32
  default_prefix=$kelvora_build/wineprefix
fi
export WINEPREFIX="${KELVORA_WINEPREFIX:-$default_prefix}"
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
      wine wineboot.exe -i >/dev/null 2>&1 || true
      # No crash dialog: a crashing program simply ends.
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
      wineserver -w
      touch "$WINEPREFIX/.kelvora-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
