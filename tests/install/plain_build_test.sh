#!/usr/bin/env bash
# A plain configuration (`cmake -B build`, nothing asked for) must build a
# kelvora-cli fit to install: no sanitizer in the flags that compile or link
# it or the libraries it is made of. Configures such a build in a temporary
# folder and reads the commands it would run.
set -euo pipefail
source_dir=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake -S "$source_dir" -B "$scratch" -G "Unix Makefiles" >"$scratch/configure.log" 2>&1 ||
  { cat "$scratch/configure.log"; exit 1; }
status=0
for target in kelvora-cli kelvora_cli_front kelvora_engine; do
  for file in flags.make link.txt; do
    path="$scratch/CMakeFiles/$target.dir/$file"
    [ -f "$path" ] || continue
    if grep -n -- '-fsanitize' "$path"; then
      echo "FAIL: $target is built with a sanitizer ($file)"
      status=1
    fi
  done
done
[ -f "$scratch/CMakeFiles/kelvora-cli.dir/link.txt" ] || { echo "FAIL: no kelvora-cli target"; status=1; }
exit $status
