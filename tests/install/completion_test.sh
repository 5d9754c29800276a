#!/usr/bin/env bash
# Installs the build into a temporary prefix with `cmake --install` and
# checks what lands there: the manual page, and the completion of bash (loaded
# into bash and asked for completions, against the options that each
# command's help lists), zsh and fish (their syntax, where those shells are
# installed).
set -euo pipefail
export LC_ALL=C
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
fail() { echo "FAIL: $*"; status=1; }

for file in bin/kelvora-cli share/man/man1/kelvora-cli.1.gz share/bash-completion/completions/kelvora-cli \
            share/zsh/site-functions/_kelvora-cli share/fish/vendor_completions.d/kelvora-cli.fish; do
  [ -e "$prefix/$file" ] || fail "cmake --install left no $file"
done
program=$prefix/bin/kelvora-cli

# The completions bash offers for a command line typed up to its end.
source "$prefix/share/bash-completion/completions/kelvora-cli"
offered() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _kelvora_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect() {  # expect "WORDS..." -- what bash must offer, exactly
  local want=$1; shift
  local got
  got=$(offered "$@" | tr '\n' ' ' | sed 's/ $//')
  [ "$got" = "$want" ] || fail "completing '$*': offered '$got', expected '$want'"
}
[ "$(complete -p kelvora-cli)" = "complete -F _kelvora_cli kelvora-cli" ] || fail "no completion for kelvora-cli"
expect "fix help journals manifest scan undo version" kelvora-cli ""
expect "scan" kelvora-cli sc
expect "--help --version -V -h" kelvora-cli -
expect "--dry-run" kelvora-cli fix --dr
expect "always auto" kelvora-cli scan --progress a
expect "sha256" kelvora-cli manifest --digest ""
expect "journals" kelvora-cli help j
expect "--modify-window" kelvora-cli fix --mod
mkdir -p "$scratch/tree/sub" && touch "$scratch/tree/sfile"
expect "$scratch/tree/sub" kelvora-cli fix "$scratch/tree/s"
expect "$scratch/tree/sfile $scratch/tree/sub" kelvora-cli undo "$scratch/tree/s"
# Every option a command's help lists is offered, and none it lacks.
for command in scan fix undo journals manifest version; do
  listed=$("$program" help "$command" | sed -n 's/^  \(-[^ ]*\).*/\1/p' | tr ',' '\n' | sort | tr '\n' ' ' | sed 's/ $//')
  [ -n "$listed" ] || fail "help $command lists no option"
  expect "$listed" kelvora-cli "$command" -
done

if command -v zsh >/dev/null; then
  zsh -n "$prefix/share/zsh/site-functions/_kelvora-cli" || fail "zsh cannot read its completion"
else
  echo "zsh is not installed: its completion's syntax is not checked"
fi
if command -v fish >/dev/null; then
  fish --no-execute "$prefix/share/fish/vendor_completions.d/kelvora-cli.fish" || fail "fish cannot read its completion"
else
  echo "fish is not installed: its completion's syntax is not checked"
fi
zcat "$prefix/share/man/man1/kelvora-cli.1.gz" | grep -q '^\.SH ENVIRONMENT' || fail "the installed page has no ENVIRONMENT"
exit $status
