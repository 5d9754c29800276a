#!/usr/bin/env bash
# Benchmark of kelvora-cli fix on generated trees (PAIRS pairs in PAIRS/100
# folders), warm cache, every tree put back exactly before each run. Paired
# runs of one invocation each: kelvora-cli with --jobs 1 and with its default
# jobs (both keeping their journal, as by default, in BENCH_DIR/state), the
# same with --no-journal (what the journal costs), the floor program (readdir + lstat of both trees, utimensat on the
# matches, one thread) and rsync -rt --size-only --existing. Two kinds of
# tree: the generator's usual mix (a quarter of the copies of another size)
# and one where only times differ. Prints medians, ratios and peak memory;
# then kelvora-cli's peak memory on MEMORY_PAIRS pairs. Then undo: on a
# times-only tree of UNDO_PAIRS pairs (some 200,000 changes), the fix that
# writes the journal beside `undo --dry-run` and `undo` of that journal, the
# journal's bytes per change (and what the older format took for the same
# changes), and `journals` over JOURNALS copies of that journal.
# Usage: scripts/bench-cli.sh [PAIRS ...]     (default 50000 200000)
#   RUNS=5 MEMORY_PAIRS=1000000 (0 to leave it out) BENCH_DIR=build/bench-cli
#   KINDS="mix times-only" (the kinds of tree of the fix table)
#   UNDO_PAIRS=266668 JOURNALS=100 (UNDO_PAIRS=0 leaves undo out; SIZES= leaves out the fix table)
#   UNDO_MEMORY_CHANGES=1000000: the peak memory of undo over a journal of
#   that many changes (a real run's journal on a small tree, with that many
#   further changes of copies that are gone since added to it).
# Last, on the usual mix of each size of MANIFEST_PAIRS: `manifest` without
# and with --digest (time and peak memory), `fix --against` its manifest
# paired with `fix` and `fix --jobs 1` on the same tree in the same run, and
# the peak memory of `scan --against` a manifest in the walk's order (read as
# the walk goes) and in another (the same lines reversed: indexed).
#   MANIFEST_PAIRS="200000 1000000" (0 leaves it out)
# Then verify: `fix --verify` on a tree with content (VERIFY_MB mebibytes of
# originals, files of 4 KiB to 4 MiB, every hundredth copy different in its
# last byte), with --jobs 1 and its default jobs, paired with the floor (one
# thread reading both files of every pair once) and rsync -rtc --existing,
# warm cache then cold (every file's pages dropped before each run with
# posix_fadvise DONTNEED), the copies' times and last bytes put back before
# each run. The tree takes twice VERIFY_MB on the disk.
#   VERIFY_MB=2048 (0 leaves it out)
# Then, on the usual mix of FILTER_PAIRS pairs, what filters and folders
# cost: `scan` paired with the same scan under five --exclude rules that leave
# nothing out (every path is tried against each), and `fix` paired with
# `fix --folders`.
#   FILTER_PAIRS=200000 (0 leaves it out)
#
# scripts/bench-cli.sh --share [PAIRS]   (default 20000): the copies on a real
# network share instead. An sshd of its own on a free loopback port, with a
# throwaway host key and client key, serves the copies' folder; sshfs mounts
# it (both from Debian: openssh-server and sshfs, installed here when missing
# rather than by install-deps.sh, since sshfs's fuse3 takes the place of
# fuse). On a tree where only times differ, paired runs of: fix with its
# default jobs (raised on the share), fix --jobs 1, rsync -rt --size-only
# --existing over the same mount, the floor program over it and undo of a
# fix made just before, the share mounted anew for each run (and between
# that fix and the undo) so that no cache of the run before answers.
# Everything it starts is stopped on exit. Then the same four commands with
# the copies behind a FUSE pass-through of the benchmark's own
# (tests/bench/delay_fs.cpp, libfuse3, installed here when missing) that
# waits a fixed time in every operation and lets the kernel cache nothing:
# DELAYS="0.2 1 5" (milliseconds; empty leaves it out) on DELAY_PAIRS=1000
# pairs; SHARE_SSHFS=0 leaves out the sshfs part.
# BASE_CLI=path/to/another/kelvora-cli adds that program's fix to each round
# (with --jobs 1 and its default jobs on local trees, its default jobs on the
# shares) and its undo to each round of undo: a baseline timed in the same run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
release=$build/cli-release
runs=${RUNS:-5}
memory_pairs=${MEMORY_PAIRS:-1000000}
bench=${BENCH_DIR:-$build/bench-cli}
share=0
if [ "${1:-}" = --share ]; then
  share=1
  shift
  [ $# -gt 0 ] || set -- 20000
fi
base_cli=${BASE_CLI:-}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(50000 200000)
read -r -a manifest_sizes <<<"${MANIFEST_PAIRS:-200000 1000000}"
[ "${manifest_sizes[*]}" = 0 ] && manifest_sizes=()

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$release" -DCMAKE_BUILD_TYPE=Release -DKELVORA_SANITIZERS= >/dev/null
cmake --build "$release" -j 2 --target kelvora-cli bench_make_tree bench_cli_floor bench_cli_timer \
  bench_make_content_tree bench_verify_floor bench_evict >/dev/null
cli=$release/kelvora-cli
make_tree=$release/tests/bench_make_tree
floor=$release/tests/bench_cli_floor
timer=$release/tests/bench_cli_timer

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

# The journals of the timed runs, removed before each run.
export XDG_STATE_HOME=$bench/state

# Puts the tree DIR of PAIRS pairs (MODE: --times-only or empty) back as it
# was made, and the journals away. The restore's own writes go to the disk
# now, not in the first flush of the run timed next (the journal's).
put_back() {
  rm -rf "$XDG_STATE_HOME"
  "$make_tree" --restore $3 "$1" "$2" $(($2 / 100))
  sync
}

# Times one command after putting the tree back; prints "seconds peak_mb".
timed() {
  local dir=$1 pairs=$2 mode=$3; shift 3
  put_back "$dir" "$pairs" "$mode"
  local line
  line=$("$timer" "$@" 2>&1 >/dev/null)
  echo "$(field seconds <<<"$line") $(field peak_mb <<<"$line")"
}

# The copies through sshfs from an sshd of the benchmark's own.
share_sshd=""
share_mnt=""
share_stop() {
  if [ -n "$share_mnt" ] && mountpoint -q "$share_mnt" 2>/dev/null; then
    fusermount -u "$share_mnt" || true
  fi
  if [ -n "$share_sshd" ]; then
    kill "$share_sshd" 2>/dev/null || true
    wait "$share_sshd" 2>/dev/null || true
  fi
}

# Times one command over the copies mounted anew at $mnt by the command in
# the array mount_cmd, the tree ($dir, $pairs) put back first; prints its
# seconds.
mounted_timed() {
  put_back "$dir" "$pairs" --times-only
  "${mount_cmd[@]}"
  local line
  line=$("$timer" "$@" 2>&1 >/dev/null)
  fusermount -u "$mnt" 2>/dev/null || umount "$mnt"
  field seconds <<<"$line"
}

# Times `PROGRAM undo --last` (its default jobs) of a fix made just before
# over the copies, both mounted anew, the tree put back first; prints its
# seconds.
mounted_undo() {
  put_back "$dir" "$pairs" --times-only
  "${mount_cmd[@]}"
  "$cli" fix "$o" "$mnt" --shift 1h --quiet
  fusermount -u "$mnt" 2>/dev/null || umount "$mnt"
  "${mount_cmd[@]}"
  local line
  line=$("$timer" "$1" undo --last --quiet 2>&1 >/dev/null)
  fusermount -u "$mnt" 2>/dev/null || umount "$mnt"
  field seconds <<<"$line"
}

# Paired rounds over the mounted copies: fix with its default jobs, fix
# --jobs 1, rsync, the floor, undo and, with BASE_CLI, that program's fix
# and undo; sets their medians in mjd, mj1, mrs, mfl, mun, mbs and mbu.
mounted_rounds() {
  local jd=() j1=() rs=() fl=() un=() bs=() bu=() a b r f u x="" y=""
  for run in $(seq 0 "$runs"); do
    a=$(mounted_timed "$cli" fix "$o" "$mnt" --shift 1h --quiet)
    b=$(mounted_timed "$cli" fix "$o" "$mnt" --shift 1h --quiet --jobs 1)
    r=$(mounted_timed rsync -rt --size-only --existing "$o/" "$mnt/")
    f=$(mounted_timed "$floor" "$o" "$mnt")
    u=$(mounted_undo "$cli")
    if [ -n "$base_cli" ]; then
      x=$(mounted_timed "$base_cli" fix "$o" "$mnt" --shift 1h --quiet)
      y=$(mounted_undo "$base_cli")
    fi
    [ "$run" -eq 0 ] && continue   # warm-up
    jd+=("$a"); j1+=("$b"); rs+=("$r"); fl+=("$f"); un+=("$u")
    [ -z "$base_cli" ] || { bs+=("$x"); bu+=("$y"); }
  done
  mjd=$(printf '%s\n' "${jd[@]}" | median); mj1=$(printf '%s\n' "${j1[@]}" | median)
  mrs=$(printf '%s\n' "${rs[@]}" | median); mfl=$(printf '%s\n' "${fl[@]}" | median)
  mun=$(printf '%s\n' "${un[@]}" | median)
  mbs=""; mbu=""
  [ -z "$base_cli" ] || { mbs=$(printf '%s\n' "${bs[@]}" | median); mbu=$(printf '%s\n' "${bu[@]}" | median); }
}

share_bench() {
  local pairs=${1:-20000}
  local need=()
  command -v sshfs >/dev/null || need+=(sshfs)
  [ -x /usr/sbin/sshd ] || need+=(openssh-server)
  if [ ${#need[@]} -gt 0 ]; then
    local sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    echo "Installing for the share benchmark: ${need[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
  fi
  local dir=$bench/share-$pairs work=$bench/share-run
  if [ ! -d "$dir/copies" ]; then
    mkdir -p "$dir"
    "$make_tree" --times-only "$dir" "$pairs" $((pairs / 100))
  fi
  rm -rf "$work"
  mkdir -p "$work/mnt"
  local o=$dir/originals c=$dir/copies mnt=$work/mnt port user
  ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
  ssh-keygen -q -t ed25519 -N '' -f "$work/client_key"
  cp "$work/client_key.pub" "$work/authorized_keys"
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  user=$(id -un)
  printf '%s\n' "ListenAddress 127.0.0.1" "Port $port" "HostKey $work/host_key" \
    "AuthorizedKeysFile $work/authorized_keys" "PidFile $work/sshd.pid" "PasswordAuthentication no" \
    "KbdInteractiveAuthentication no" "PermitRootLogin prohibit-password" "UsePAM no" "StrictModes no" \
    "Subsystem sftp internal-sftp" >"$work/sshd_config"
  # sshd wants its privilege-separation folder when started as root.
  if [ "$(id -u)" -eq 0 ] && [ ! -d /run/sshd ]; then
    mkdir -p /run/sshd
    chmod 755 /run/sshd
  fi
  trap share_stop EXIT
  share_mnt=$mnt
  /usr/sbin/sshd -f "$work/sshd_config" -D -e 2>"$work/sshd.log" &
  share_sshd=$!
  mount_share() {
    sshfs -p "$port" -o "IdentityFile=$work/client_key,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null" \
      -o BatchMode=yes,LogLevel=ERROR "$user@127.0.0.1:$c" "$mnt"
  }
  local tries=0
  until mount_share 2>/dev/null; do
    tries=$((tries + 1))
    if [ $tries -ge 50 ]; then
      echo "the share could not be mounted; sshd said:" >&2
      cat "$work/sshd.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  local kind
  kind=$(findmnt -n -o FSTYPE "$mnt" || stat -f -c %T "$mnt")
  fusermount -u "$mnt"
  local mount_cmd=(mount_share) mjd mj1 mrs mfl mun mbs mbu
  mounted_rounds
  echo "share: $kind (sshfs) from sshd on 127.0.0.1:$port; $pairs pairs, only times differ; medians of $runs paired runs"
  printf '%-8s %9s %9s %9s %9s %10s %9s %9s %9s\n' pairs cli_s cli_j1_s rsync_s floor_s rsync/cli cli/floor j1/cli \
    undo_s
  printf '%-8s %9s %9s %9s %9s %10s %9s %9s %9s\n' "$pairs" "$mjd" "$mj1" "$mrs" "$mfl" "$(ratio "$mrs" "$mjd")" \
    "$(ratio "$mjd" "$mfl")" "$(ratio "$mj1" "$mjd")" "$mun"
  [ -z "$mbs" ] || echo "baseline $base_cli, default jobs: fix $mbs s (baseline/cli $(ratio "$mbs" "$mjd")), undo $mbu s (baseline/undo $(ratio "$mbu" "$mun"))"
}

# The same four commands with the copies behind the benchmark's own FUSE
# pass-through, which waits DELAY ms in every operation and lets the kernel
# cache nothing: a network with that round trip.
delay_bench() {
  local pairs=$1 delay_fs=$release/tests/bench_delay_fs
  if [ ! -x "$delay_fs" ]; then
    if ! pkg-config --exists fuse3 2>/dev/null; then
      local sudo_cmd=()
      [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
      echo "Installing for the delayed share: libfuse3-dev pkg-config"
      DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        libfuse3-dev pkg-config >/dev/null
    fi
    cmake -S "$root" -B "$release" >/dev/null
    cmake --build "$release" --target bench_delay_fs >/dev/null
  fi
  local dir=$bench/share-$pairs work=$bench/delay-run
  if [ ! -d "$dir/copies" ]; then
    mkdir -p "$dir"
    "$make_tree" --times-only "$dir" "$pairs" $((pairs / 100))
  fi
  rm -rf "$work"
  mkdir -p "$work/mnt"
  local o=$dir/originals c=$dir/copies mnt=$work/mnt
  share_mnt=$mnt
  trap share_stop EXIT
  echo
  echo "delayed share: bench_delay_fs over the copies of $pairs pairs, only times differ; medians of $runs paired runs"
  printf '%-8s %8s %9s %9s %9s %9s %10s %9s %9s %9s\n' pairs delay_ms cli_s cli_j1_s rsync_s floor_s rsync/cli \
    cli/floor j1/cli undo_s
  local delay us
  for delay in "${delays[@]}"; do
    us=$(awk -v d="$delay" 'BEGIN {printf "%d", d * 1000}')
    local mount_cmd=("$delay_fs" "$c" "$mnt" "$us") mjd mj1 mrs mfl mun mbs mbu
    mounted_rounds
    printf '%-8s %8s %9s %9s %9s %9s %10s %9s %9s %9s\n' "$pairs" "$delay" "$mjd" "$mj1" "$mrs" "$mfl" \
      "$(ratio "$mrs" "$mjd")" "$(ratio "$mjd" "$mfl")" "$(ratio "$mj1" "$mjd")" "$mun"
    [ -z "$mbs" ] || echo "  baseline $base_cli, default jobs: fix $mbs s (baseline/cli $(ratio "$mbs" "$mjd")), undo $mbu s (baseline/undo $(ratio "$mbu" "$mun"))"
  done
}

if [ "$share" = 1 ]; then
  read -r -a delays <<<"${DELAYS-0.2 1 5}"
  [ "${SHARE_SSHFS:-1}" = 0 ] || share_bench "${sizes[0]}"
  [ ${#delays[@]} -eq 0 ] || delay_bench "${DELAY_PAIRS:-1000}"
  exit 0
fi

[ -n "${SIZES+set}" ] && [ -z "$SIZES" ] && sizes=()
[ ${#sizes[@]} -gt 0 ] &&
  printf '%-10s %8s %9s %9s %9s %9s %9s %8s %8s %9s %9s %9s %8s\n' tree pairs cli_j1_s cli_s nojrnl_s floor_s \
    rsync_s j1/floor cli/floor rsync/cli jrnl_cost peak_mb touched
read -r -a kinds <<<"${KINDS:-mix times-only}"
for kind in "${kinds[@]}"; do
  [ ${#sizes[@]} -gt 0 ] || break
  mode=""; [ "$kind" = times-only ] && mode=--times-only
  for pairs in "${sizes[@]}"; do
    dir=$bench/$kind-$pairs
    if [ ! -d "$dir/copies" ]; then
      mkdir -p "$dir"
      "$make_tree" $mode "$dir" "$pairs" $((pairs / 100))
    fi
    o=$dir/originals c=$dir/copies
    j1=(); jd=(); nj=(); fl=(); rs=(); b1=(); bd=(); peak=0
    for run in $(seq 0 "$runs"); do
      a=$(timed "$dir" "$pairs" "$mode" "$cli" fix "$o" "$c" --shift 1h --jobs 1 --quiet)
      b=$(timed "$dir" "$pairs" "$mode" "$cli" fix "$o" "$c" --shift 1h --quiet)
      n=$(timed "$dir" "$pairs" "$mode" "$cli" fix "$o" "$c" --shift 1h --quiet --no-journal)
      f=$(timed "$dir" "$pairs" "$mode" "$floor" "$o" "$c")
      r=$(timed "$dir" "$pairs" "$mode" rsync -rt --size-only --existing "$o/" "$c/")
      if [ -n "$base_cli" ]; then
        x1=$(timed "$dir" "$pairs" "$mode" "$base_cli" fix "$o" "$c" --shift 1h --jobs 1 --quiet)
        xd=$(timed "$dir" "$pairs" "$mode" "$base_cli" fix "$o" "$c" --shift 1h --quiet)
      fi
      [ "$run" -eq 0 ] && continue   # warm-up
      j1+=("${a% *}"); jd+=("${b% *}"); nj+=("${n% *}"); fl+=("${f% *}"); rs+=("${r% *}")
      [ -z "$base_cli" ] || { b1+=("${x1% *}"); bd+=("${xd% *}"); }
      peak=$(awk -v p="$peak" -v a="${a#* }" -v b="${b#* }" 'BEGIN {m = a > b ? a : b; print (m > p ? m : p)}')
    done
    touched=$("$make_tree" --restore $mode "$dir" "$pairs" $((pairs / 100)) &&
              "$cli" fix "$o" "$c" --shift 1h --json --no-journal | sed -n 's/.*"touched":\([0-9]*\).*/\1/p')
    mj1=$(printf '%s\n' "${j1[@]}" | median); mjd=$(printf '%s\n' "${jd[@]}" | median)
    mfl=$(printf '%s\n' "${fl[@]}" | median); mrs=$(printf '%s\n' "${rs[@]}" | median)
    mnj=$(printf '%s\n' "${nj[@]}" | median)
    printf '%-10s %8s %9s %9s %9s %9s %9s %8s %8s %9s %9s %9s %8s\n' "$kind" "$pairs" "$mj1" "$mjd" "$mnj" "$mfl" \
      "$mrs" "$(ratio "$mj1" "$mfl")" "$(ratio "$mjd" "$mfl")" "$(ratio "$mrs" "$mjd")" "$(ratio "$mjd" "$mnj")" \
      "$peak" "$touched"
    if [ -n "$base_cli" ]; then
      mb1=$(printf '%s\n' "${b1[@]}" | median); mbd=$(printf '%s\n' "${bd[@]}" | median)
      echo "  baseline $base_cli: --jobs 1 $mb1 s ($(ratio "$mb1" "$mfl") of the floor), default jobs $mbd s ($(ratio "$mbd" "$mfl")); rsync/baseline $(ratio "$mrs" "$mbd")"
    fi
  done
done

if [ "$memory_pairs" -gt 0 ]; then
  dir=$bench/mix-$memory_pairs
  if [ ! -d "$dir/copies" ]; then
    mkdir -p "$dir"
    "$make_tree" "$dir" "$memory_pairs" $((memory_pairs / 100))
  fi
  a=$(timed "$dir" "$memory_pairs" "" "$cli" fix "$dir/originals" "$dir/copies" --shift 1h --quiet)
  s=$(timed "$dir" "$memory_pairs" "" "$cli" scan "$dir/originals" "$dir/copies" --quiet)
  echo "memory: $memory_pairs pairs: fix ${a% *} s, peak ${a#* } MB; scan ${s% *} s, peak ${s#* } MB"
fi

undo_pairs=${UNDO_PAIRS:-266668}
journal_count=${JOURNALS:-100}
if [ "$undo_pairs" -gt 0 ]; then
  dir=$bench/times-only-$undo_pairs
  if [ ! -d "$dir/copies" ]; then
    mkdir -p "$dir"
    "$make_tree" --times-only "$dir" "$undo_pairs" $((undo_pairs / 100))
  fi
  o=$dir/originals c=$dir/copies folder=$XDG_STATE_HOME/kelvora/journal
  # One fix, then its journal undone (dry run, then for real), the tree put
  # back before each fix only: the undo finds the copies as the fix left them.
  fx=(); dr=(); un=(); bu=(); pf=0; pd=0; pu=0
  for run in $(seq 0 "$runs"); do
    a=$(timed "$dir" "$undo_pairs" --times-only "$cli" fix "$o" "$c" --shift 1h --quiet --journal "$bench/undo.jsonl.tmp")
    mkdir -p "$folder"
    journal=$folder/20260101T000000.000000000Z.jsonl
    mv "$bench/undo.jsonl.tmp" "$journal"
    sync
    line=$("$timer" "$cli" undo "$journal" --dry-run --quiet 2>&1 >/dev/null)
    d="$(field seconds <<<"$line") $(field peak_mb <<<"$line")"
    sync
    line=$("$timer" "$cli" undo "$journal" --quiet 2>&1 >/dev/null)
    u="$(field seconds <<<"$line") $(field peak_mb <<<"$line")"
    if [ -n "$base_cli" ]; then
      # The copies as a fix leaves them again, undone by the baseline.
      "$cli" fix "$o" "$c" --shift 1h --quiet --journal "$bench/undo.jsonl.tmp"
      mv "$bench/undo.jsonl.tmp" "$journal.base"
      sync
      line=$("$timer" "$base_cli" undo "$journal.base" --quiet 2>&1 >/dev/null)
      rm -f "$journal.base"
      [ "$run" -eq 0 ] || bu+=("$(field seconds <<<"$line")")
    fi
    [ "$run" -eq 0 ] && continue
    fx+=("${a% *}"); dr+=("${d% *}"); un+=("${u% *}")
    pf=$(awk -v p="$pf" -v x="${a#* }" 'BEGIN {print (x > p ? x : p)}')
    pd=$(awk -v p="$pd" -v x="${d#* }" 'BEGIN {print (x > p ? x : p)}')
    pu=$(awk -v p="$pu" -v x="${u#* }" 'BEGIN {print (x > p ? x : p)}')
  done
  changes=$(grep -c '^{"i":' "$journal")
  bytes=$(stat -c %s "$journal")
  # The same changes in the older format: long keys, ISO instants, no object numbers.
  old_bytes=$(python3 - "$journal" <<'PY'
import datetime, json, sys
def iso(text):
    seconds, _, nanos = text.partition('.')
    when = datetime.datetime(1970, 1, 1) + datetime.timedelta(seconds=int(seconds))
    return when.strftime('%Y-%m-%dT%H:%M:%S') + '.' + (nanos or '0').ljust(9, '0') + 'Z'
total = 0
with open(sys.argv[1], 'rb') as journal:
    for raw in journal:
        line = json.loads(raw)
        if 'i' in line:
            key = 'path_hex' if 'p_hex' in line else 'path'
            old = {'intent': line['i'], key: line.get('p', line.get('p_hex')), 'size': line['n'],
                   'before': iso(line['b']), 'set': iso(line['s'])}
        elif 'd' in line:
            old = {'done': line['d']}
        else:
            total += len(raw)
            continue
        total += len(json.dumps(old, separators=(',', ':'), ensure_ascii=False).encode()) + 1
print(total)
PY
)
  mf=$(printf '%s\n' "${fx[@]}" | median); md=$(printf '%s\n' "${dr[@]}" | median); mu=$(printf '%s\n' "${un[@]}" | median)
  echo
  printf '%-8s %8s %8s %9s %9s %9s %8s %8s %8s %8s %8s\n' pairs changes fix_s undo_dry_s undo_s undo/fix \
    fix_mb dry_mb undo_mb B/change old_B/chg
  printf '%-8s %8s %8s %9s %9s %9s %8s %8s %8s %8s %8s\n' "$undo_pairs" "$changes" "$mf" "$md" "$mu" \
    "$(ratio "$mu" "$mf")" "$pf" "$pd" "$pu" "$(ratio "$bytes" "$changes")" "$(ratio "$old_bytes" "$changes")"
  if [ -n "$base_cli" ]; then
    mbu=$(printf '%s\n' "${bu[@]}" | median)
    echo "  baseline $base_cli: undo $mbu s (baseline/undo $(ratio "$mbu" "$mu"))"
  fi
  # journals over many journals of that size (copies of the last one).
  rm -rf "$folder"; mkdir -p "$folder"
  "$make_tree" --restore --times-only "$dir" "$undo_pairs" $((undo_pairs / 100))
  "$cli" fix "$o" "$c" --shift 1h --quiet --journal "$bench/undo.jsonl.tmp"
  for k in $(seq 1 "$journal_count"); do
    cp "$bench/undo.jsonl.tmp" "$folder/20260101T$(printf '%06d' "$k").000000000Z.jsonl"
  done
  rm -f "$bench/undo.jsonl.tmp"
  sync
  js=()
  for run in $(seq 0 "$runs"); do
    line=$("$timer" "$cli" journals 2>&1 >/dev/null)
    [ "$run" -eq 0 ] && continue
    js+=("$(field seconds <<<"$line")"); jp=$(field peak_mb <<<"$line")
  done
  echo "journals: $journal_count journals of $changes changes ($(du -sh "$folder" | cut -f1)): $(printf '%s\n' "${js[@]}" | median) s, peak $jp MB"
  rm -rf "$folder"
fi

undo_memory=${UNDO_MEMORY_CHANGES:-1000000}
if [ "$undo_memory" -gt 0 ]; then
  dir=$bench/undo-memory
  rm -rf "$dir" "$XDG_STATE_HOME"; mkdir -p "$dir"
  "$make_tree" --times-only "$dir" 1000 10
  "$cli" fix "$dir/originals" "$dir/copies" --shift 1h --quiet --journal "$dir/run.jsonl"
  python3 - "$dir/run.jsonl" "$undo_memory" <<'PY'
import json, sys
path, more = sys.argv[1], int(sys.argv[2])
lines = open(path, 'rb').read().splitlines(keepends=True)
end = json.loads(lines[-1])
body = b''.join(lines[:-1])
first = end['intents']
with open(path, 'wb') as out:
    out.write(body)
    for k in range(first + 1, first + more + 1):
        out.write(b'{"i":%d,"p":"gone%d/f%d","n":1000,"o":%d,"b":"1262307600","s":"1262304000"}\n' % (k, k % 1000, k, k))
        if k % 2:
            out.write(b'{"d":%d}\n' % k)
    end['intents'] = first + more
    end['made'] += (more + 1) // 2
    out.write(json.dumps(end, separators=(',', ':')).encode() + b'\n')
PY
  d=$("$timer" "$cli" undo "$dir/run.jsonl" --dry-run --quiet 2>&1 >/dev/null)
  u=$("$timer" "$cli" undo "$dir/run.jsonl" --quiet 2>&1 >/dev/null)
  echo "undo memory: a journal of $(grep -c '^{"i":' "$dir/run.jsonl") changes ($(du -h "$dir/run.jsonl" | cut -f1)):" \
    "undo --dry-run $(field seconds <<<"$d") s, peak $(field peak_mb <<<"$d") MB;" \
    "undo $(field seconds <<<"$u") s, peak $(field peak_mb <<<"$u") MB"
  rm -rf "$dir"
fi

if [ ${#manifest_sizes[@]} -gt 0 ]; then
  printf '\n%-8s %8s %8s %9s %8s %9s %9s %9s %9s %8s %9s %9s %9s %9s\n' pairs mf_s mf_mb mf_sha_s mf_sha_mb \
    fix_s fix_j1_s against_s against/fix against/j1 fix_mb against_mb stream_mb index_mb
fi
for pairs in ${manifest_sizes[@]+"${manifest_sizes[@]}"}; do
  dir=$bench/mix-$pairs
  if [ ! -d "$dir/copies" ]; then
    mkdir -p "$dir"
    "$make_tree" "$dir" "$pairs" $((pairs / 100))
  fi
  o=$dir/originals c=$dir/copies m=$dir/originals.mtree
  # The manifest is of the originals only: the tree need not be put back.
  a=$("$timer" "$cli" manifest "$o" -o "$m" --quiet 2>&1 >/dev/null)
  d=$("$timer" "$cli" manifest "$o" -o "$m.sha" --digest sha256 --quiet 2>&1 >/dev/null)
  { head -n 2 "$m"; tail -n +3 "$m" | tac; } >"$m.reversed"
  fx=(); f1=(); ag=(); fixmb=0; agmb=0
  for run in $(seq 0 "$runs"); do
    x=$(timed "$dir" "$pairs" "" "$cli" fix "$o" "$c" --shift 1h --quiet)
    y=$(timed "$dir" "$pairs" "" "$cli" fix "$o" "$c" --shift 1h --quiet --jobs 1)
    z=$(timed "$dir" "$pairs" "" "$cli" fix --against "$m" "$c" --shift 1h --quiet)
    [ "$run" -eq 0 ] && continue
    fx+=("${x% *}"); f1+=("${y% *}"); ag+=("${z% *}")
    fixmb=$(awk -v p="$fixmb" -v a="${x#* }" 'BEGIN {print (a > p ? a : p)}')
    agmb=$(awk -v p="$agmb" -v a="${z#* }" 'BEGIN {print (a > p ? a : p)}')
  done
  s=$(timed "$dir" "$pairs" "" "$cli" scan --against "$m" "$c" --quiet)
  i=$(timed "$dir" "$pairs" "" "$cli" scan --against "$m.reversed" "$c" --quiet)
  mfx=$(printf '%s\n' "${fx[@]}" | median); mf1=$(printf '%s\n' "${f1[@]}" | median)
  mag=$(printf '%s\n' "${ag[@]}" | median)
  printf '%-8s %8s %8s %9s %8s %9s %9s %9s %9s %8s %9s %9s %9s %9s\n' "$pairs" "$(field seconds <<<"$a")" \
    "$(field peak_mb <<<"$a")" "$(field seconds <<<"$d")" "$(field peak_mb <<<"$d")" "$mfx" "$mf1" "$mag" \
    "$(ratio "$mag" "$mfx")" "$(ratio "$mag" "$mf1")" "$fixmb" "$agmb" "${s#* }" "${i#* }"
done

verify_mb=${VERIFY_MB:-2048}
if [ "$verify_mb" -gt 0 ]; then
  make_content=$release/tests/bench_make_content_tree
  vfloor=$release/tests/bench_verify_floor
  evict=$release/tests/bench_evict
  dir=$bench/verify-$verify_mb
  mkdir -p "$bench"
  [ -d "$dir/copies" ] || "$make_content" "$dir" "$verify_mb" >/dev/null
  o=$dir/originals c=$dir/copies
  read -r vpairs vdiffer < <("$make_content" --restore "$dir" "$verify_mb")
  # Times one command with the copies put back, the cache as asked.
  vtimed() {
    local cache=$1; shift
    rm -rf "$XDG_STATE_HOME"
    "$make_content" --restore "$dir" "$verify_mb" >/dev/null
    sync
    if [ "$cache" = cold ]; then "$evict" "$o" "$c"; else "$vfloor" "$o" "$c" >/dev/null; fi
    local line
    line=$("$timer" "$@" 2>&1 >/dev/null)
    echo "$(field seconds <<<"$line") $(field peak_mb <<<"$line")"
  }
  "$make_content" --restore "$dir" "$verify_mb" >/dev/null
  summary=$("$cli" fix "$o" "$c" --shift 1h --verify --json --no-journal 2>/dev/null | tail -n 1)
  touched=$(sed -n 's/.*"touched":\([0-9]*\).*/\1/p' <<<"$summary")
  differs=$(sed -n 's/.*"content_differs":\([0-9]*\).*/\1/p' <<<"$summary")
  echo
  echo "verify: $vpairs pairs, $(du -sh "$o" | cut -f1) of originals; touched $touched, content differs $differs" \
    "(expected $((vpairs - vdiffer)) and $vdiffer)"
  # cmp_floor_s: the least a comparison through read() costs (verify_floor
  # --compare: pieces of both files in turn and memcmp, nothing else).
  printf '%-6s %9s %9s %9s %11s %9s %9s %9s %9s %9s %8s %8s %8s\n' cache cli_j1_s cli_s floor_s cmp_floor_s \
    rsync_c_s j1/floor cli/floor j1/cmp rsync/cli cli_mb j1_mb rsync_mb
  for cache in warm cold; do
    j1=(); jd=(); fl=(); cf=(); rs=(); pj=0; pd=0; pr=0
    for run in $(seq 0 "$runs"); do
      a=$(vtimed $cache "$cli" fix "$o" "$c" --shift 1h --verify --jobs 1 --quiet)
      b=$(vtimed $cache "$cli" fix "$o" "$c" --shift 1h --verify --quiet)
      f=$(vtimed $cache "$vfloor" "$o" "$c")
      m=$(vtimed $cache "$vfloor" --compare "$o" "$c")
      r=$(vtimed $cache rsync -rtc --existing "$o/" "$c/")
      [ "$run" -eq 0 ] && continue   # warm-up
      j1+=("${a% *}"); jd+=("${b% *}"); fl+=("${f% *}"); cf+=("${m% *}"); rs+=("${r% *}")
      pj=$(awk -v p="$pj" -v x="${a#* }" 'BEGIN {print (x > p ? x : p)}')
      pd=$(awk -v p="$pd" -v x="${b#* }" 'BEGIN {print (x > p ? x : p)}')
      pr=$(awk -v p="$pr" -v x="${r#* }" 'BEGIN {print (x > p ? x : p)}')
    done
    mj1=$(printf '%s\n' "${j1[@]}" | median); mjd=$(printf '%s\n' "${jd[@]}" | median)
    mfl=$(printf '%s\n' "${fl[@]}" | median); mrs=$(printf '%s\n' "${rs[@]}" | median)
    mcf=$(printf '%s\n' "${cf[@]}" | median)
    printf '%-6s %9s %9s %9s %11s %9s %9s %9s %9s %9s %8s %8s %8s\n' $cache "$mj1" "$mjd" "$mfl" "$mcf" "$mrs" \
      "$(ratio "$mj1" "$mfl")" "$(ratio "$mjd" "$mfl")" "$(ratio "$mj1" "$mcf")" "$(ratio "$mrs" "$mjd")" \
      "$pd" "$pj" "$pr"
  done
fi

filter_pairs=${FILTER_PAIRS:-200000}
if [ "$filter_pairs" != 0 ]; then
  dir=$bench/mix-$filter_pairs
  if [ ! -d "$dir/copies" ]; then
    mkdir -p "$dir"
    "$make_tree" "$dir" "$filter_pairs" $((filter_pairs / 100))
  fi
  o=$dir/originals c=$dir/copies
  rules=(--exclude '*.tmp' --exclude 'cache/' --exclude '/none/**' --exclude 'a/*/b[0-9]?' --exclude '**/.thumbnails')
  sc=(); sf=(); fx=(); ff=()
  for run in $(seq 0 "$runs"); do
    w=$(timed "$dir" "$filter_pairs" "" "$cli" scan "$o" "$c" --quiet)
    x=$(timed "$dir" "$filter_pairs" "" "$cli" scan "$o" "$c" --quiet "${rules[@]}")
    y=$(timed "$dir" "$filter_pairs" "" "$cli" fix "$o" "$c" --shift 1h --quiet)
    z=$(timed "$dir" "$filter_pairs" "" "$cli" fix "$o" "$c" --shift 1h --quiet --folders)
    [ "$run" -eq 0 ] && continue
    sc+=("${w% *}"); sf+=("${x% *}"); fx+=("${y% *}"); ff+=("${z% *}")
  done
  msc=$(printf '%s\n' "${sc[@]}" | median); msf=$(printf '%s\n' "${sf[@]}" | median)
  mfx=$(printf '%s\n' "${fx[@]}" | median); mff=$(printf '%s\n' "${ff[@]}" | median)
  printf '\n%-8s %9s %10s %9s %9s %12s %11s\n' pairs scan_s filtered_s ratio fix_s folders_s ratio
  printf '%-8s %9s %10s %9s %9s %12s %11s\n' "$filter_pairs" "$msc" "$msf" "$(ratio "$msf" "$msc")" "$mfx" "$mff" \
    "$(ratio "$mff" "$mfx")"
fi
