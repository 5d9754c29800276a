#!/usr/bin/env bash
# Runs a command with the project's Wine environment on a private Xvfb
# display, with one persistent wineserver for the whole command. Wine's
# background programs are started first with their output sent nowhere, so
# that they do not hold the output pipes of the programs run later.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"

inner=$(cat <<'INNER'
set -u
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1
status=0
"$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
INNER
)
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$inner" with-wine-display "$@"
