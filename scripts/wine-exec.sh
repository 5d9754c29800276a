#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix, with a
# daylight-saving zone on the Linux side. The Windows programs of the project
# drop TZ from their own environment (the C runtime cannot read a Linux zone
# name), so the zone comes to them from Wine's system settings.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
exec wine "$@"
