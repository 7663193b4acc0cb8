#!/usr/bin/env bash
# The whole verified move, as a user runs it, against rsync's unverified move
# and cp -a, cold, on an ext4 drive and on an exFAT drive served by
# exfat-fuse:
#
#   sudo bench/move_benchmark.sh [--cli PATH] [--rounds N] [--mib N] [--only ext4|exfat] [--back]
#                                [--tree | --million]
#
#   loftwell  loftwell-cli transfer --trash --items FILE... (copy, flush, the
#             copies named, on exFAT the drive mounted again read-only and
#             then as before, every copy read back, the originals to the Trash)
#   rsync     rsync -a --remove-source-files SRC/ DEST/x, then sync
#   cp -a     cp -a SRC DEST/x, then sync
#
# With --back, the way back instead: each round moves the files with
# loftwell (not timed), empties the Trash, and times
#   loftwell  loftwell-cli restore --to BACK SRC (each copy read from the
#             drive and checked against the run's record, flushed, read back)
#   cp -a     cp -a of the run's folder on the drive to BACK, then sync
#
# Makes once under bench-data/move (in the working directory) four files of
# N/4 MiB each (default N = 1024) of pseudo-random bytes; with --tree, the
# items are instead one tree of 30,000 small files, as a project or a photo
# library is: 300 folders of 10 subfolders of 10 files, 0.5 to 32 KiB each
# (log-uniform, pseudo-random, the same every time; about 300 MB on disk),
# made once under bench-data/move-tree; with --million, one tree of
# 1,000,000 files of 0 to 4 KiB (1,000 folders of 1,000; about 2 GB on disk),
# made once under bench-data/move-million (best with --only ext4: exfat-fuse
# takes many minutes a round). Each round also gives the peak memory (RSS)
# of loftwell-cli and of rsync. Each drive is an
# image of its own on a loop device with direct I/O (so what is written
# reaches the disk, as with a real drive), made here and removed at the end.
# Before every timed run the source is laid out afresh from the kept files
# and the drive emptied (not timed), and caches are dropped; the three take
# turns at going first. The disk is noisy: the table gives each tool's median
# and the medians of the pairwise ratios with their spread (min and max).
# Needs root, rsync, exfatprogs, exfat-fuse and GNU time (/usr/bin/time).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cli="$here/build/src/loftwell-cli"
rounds=5 mib=1024 only="" back="" tree="" million=""
while [ $# -gt 0 ]; do
  case "$1" in
    --cli) cli="$(realpath "$2")"; shift 2 ;;
    --rounds) rounds="$2"; shift 2 ;;
    --mib) mib="$2"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    --back) back=1; shift ;;
    --tree) tree=1; shift ;;
    --million) million=1; shift ;;
    *) sed -n '2,/^set /p' "$0" | sed '$d' >&2; exit 2 ;;
  esac
done
[ "$(id -u)" = 0 ] || { echo "move_benchmark: needs root (loop drives, dropped caches)" >&2; exit 2; }
for tool in rsync mkfs.exfat mount.exfat-fuse /usr/bin/time "$cli"; do
  command -v "$tool" >/dev/null || { echo "move_benchmark: $tool is missing" >&2; exit 2; }
done

if [ -n "$million" ]; then
  kept="$PWD/bench-data/move-million/kept"
  [ -e "$kept.complete" ] || python3 - "$kept" <<'MAKE'
import os, random, shutil, sys
kept = sys.argv[1]
shutil.rmtree(kept, ignore_errors=True)
rng = random.Random(57)
for f in range(1000):
    folder = os.path.join(kept, "tree", f"folder-{f // 10:03d}", f"sub-{f % 10}")
    os.makedirs(folder)
    for n in range(1000):
        with open(os.path.join(folder, f"file-{n:04d}.dat"), "wb") as out:
            out.write(rng.randbytes(rng.choice((0, rng.randrange(1, 4097)))))
open(kept + ".complete", "w").close()
MAKE
  mib=4096 # the drive images' size below: 3 x 4 GiB
  what="a tree of 1,000,000 files"
elif [ -n "$tree" ]; then
  kept="$PWD/bench-data/move-tree/kept"
  [ -e "$kept.complete" ] || python3 - "$kept" <<'MAKE'
import os, random, shutil, sys
kept = sys.argv[1]
shutil.rmtree(kept, ignore_errors=True)
rng = random.Random(57)
for f in range(300):
    for s in range(10):
        folder = os.path.join(kept, "tree", f"folder-{f:03d}", f"sub-{s}")
        os.makedirs(folder)
        for n in range(10):
            size = int(512 * 64 ** rng.random())  # 0.5 to 32 KiB, log-uniform
            with open(os.path.join(folder, f"file-{n}.dat"), "wb") as out:
                out.write(rng.randbytes(size))
open(kept + ".complete", "w").close()
MAKE
  mib=700 # the drive images' size below: 3 x 700 MiB
  what="a tree of 30,000 small files"
else
  kept="$PWD/bench-data/move/kept"
  mkdir -p "$kept"
  for i in 1 2 3 4; do
    [ -s "$kept/film$i.mkv" ] ||
      head -c "$((mib / 4))M" < <(openssl enc -aes-128-ctr -pass pass:"loftwell$i" -nosalt -pbkdf2 </dev/zero 2>/dev/null) \
        > "$kept/film$i.mkv"
  done
  what="$mib MiB in 4 files"
fi

work="$(mktemp -d /tmp/loftwell-move-bench.XXXXXX)"
loops=()
cleanup() {
  for point in "$work"/drive-*; do umount "$point" 2>/dev/null || umount -l "$point" 2>/dev/null || true; done
  for loop in "${loops[@]}"; do losetup -d "$loop" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A drive of `kind`, mounted at $work/drive-KIND.
make_drive() {
  local kind="$1" image="$work/$1.img" point="$work/drive-$1" loop
  truncate -s "$((mib * 3))M" "$image"
  loop="$(losetup -f --show --direct-io=on "$image")"
  loops+=("$loop")
  mkdir -p "$point"
  if [ "$kind" = ext4 ]; then
    mkfs.ext4 -q -F -i 8192 -E lazy_itable_init=0,lazy_journal_init=0 "$loop"
    mount "$loop" "$point"
  else
    mkfs.exfat "$loop" >/dev/null
    mount.exfat-fuse "$loop" "$point" 2>/dev/null
  fi
}

seconds() { date +%s.%N; }

# Everything written put on its disk, and every cache dropped: a cold start.
drop_caches() {
  sync
  echo 3 > /proc/sys/vm/drop_caches
}

# loftwell-cli with the run's own home, in English; its errors shown on
# failure; its peak memory in KiB to the file $peak, where set.
loftwell_cli() {
  HOME="$work/home" XDG_DATA_HOME="" LANG=C.UTF-8 /usr/bin/time -o "${peak:-/dev/null}" -f %M \
    "$cli" "$@" >/dev/null 2>"$work/cli.err" ||
    { cat "$work/cli.err" >&2; return 1; }
}

# The way back: the files moved to the drive of `kind` (not timed), the
# Trash emptied; then one timed run of `tool` bringing them back; prints its seconds.
back_once() {
  local tool="$1" kind="$2" point="$work/drive-$2" src="$work/src" home="$work/home"
  rm -rf "$src" "$home" "$work/back" "${point:?}"/* "$point"/.[!.]* 2>/dev/null || true
  cp -a "$kept" "$src"
  mkdir -p "$home" "$work/back"
  loftwell_cli transfer --to "$point" --trash --items "$src"/*
  rm -rf "$home/.local/share/Trash"
  drop_caches
  local start end
  start="$(seconds)"
  case "$tool" in
    loftwell)
      loftwell_cli restore --to "$work/back" "$src" ;;
    cp) cp -a "$point"/Loftwell/*/src/. "$work/back" && sync ;;
  esac
  end="$(seconds)"
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

# One timed run of `tool` onto `kind`; prints its seconds.
run_once() {
  local tool="$1" kind="$2" point="$work/drive-$2" src="$work/src" home="$work/home"
  rm -rf "$src" "$home" "${point:?}"/* "$point"/.[!.]* 2>/dev/null || true
  cp -a "$kept" "$src"
  mkdir -p "$home"
  drop_caches
  local start end
  start="$(seconds)"
  case "$tool" in
    loftwell)
      peak="$work/peak-loftwell" loftwell_cli transfer --to "$point" --trash --items "$src"/* ;;
    rsync) /usr/bin/time -o "$work/peak-rsync" -f %M rsync -a --remove-source-files "$src"/ "$point"/x/ && sync ;;
    cp) cp -a "$src" "$point"/x && sync ;;
  esac
  end="$(seconds)"
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
spread() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.2f-%.2f", lo, hi }'; }

if [ -n "$back" ]; then
  echo "The way back of $what, cold, $rounds rounds; loftwell-cli: $cli"
  for kind in ext4 exfat; do
    [ -z "$only" ] || [ "$only" = "$kind" ] || continue
    make_drive "$kind"
    mine="" theirs="" ratios=""
    for ((round = 0; round < rounds; round++)); do
      tools=(loftwell cp)
      [ $((round % 2)) = 0 ] || tools=(cp loftwell)
      declare -A now=()
      for tool in "${tools[@]}"; do now[$tool]="$(back_once "$tool" "$kind")"; done
      printf '%-6s round %d: loftwell restore %6.2f s  cp -a back %6.2f s\n' "$kind" "$((round + 1))" \
        "${now[loftwell]}" "${now[cp]}"
      mine+="${now[loftwell]} " theirs+="${now[cp]} "
      ratios+="$(awk -v a="${now[loftwell]}" -v b="${now[cp]}" 'BEGIN { printf "%.3f", a / b }') "
    done
    printf '%-6s medians: loftwell restore %s s, cp -a back %s s; ratio median %sx (%s)\n' "$kind" \
      "$(tr ' ' '\n' <<<"$mine" | grep . | median)" "$(tr ' ' '\n' <<<"$theirs" | grep . | median)" \
      "$(tr ' ' '\n' <<<"$ratios" | grep . | median)" "$(tr ' ' '\n' <<<"$ratios" | grep . | spread)"
    umount "$work/drive-$kind" 2>/dev/null || umount -l "$work/drive-$kind"
  done
  exit 0
fi

echo "Whole move of $what, cold, $rounds rounds; loftwell-cli: $cli"
for kind in ext4 exfat; do
  [ -z "$only" ] || [ "$only" = "$kind" ] || continue
  make_drive "$kind"
  declare -A times=([loftwell]="" [rsync]="" [cp]="")
  ratios_rsync="" ratios_cp=""
  for ((round = 0; round < rounds; round++)); do
    tools=(loftwell rsync cp)
    order=("${tools[@]:round % 3}" "${tools[@]:0:round % 3}")
    declare -A now=()
    for tool in "${order[@]}"; do now[$tool]="$(run_once "$tool" "$kind")"; done
    printf '%-6s round %d: loftwell %6.2f s  rsync %6.2f s  cp -a %6.2f s  (peak memory: loftwell %d MB, rsync %d MB)\n' \
      "$kind" "$((round + 1))" "${now[loftwell]}" "${now[rsync]}" "${now[cp]}" \
      "$(($(tail -1 "$work/peak-loftwell") / 1024))" "$(($(tail -1 "$work/peak-rsync") / 1024))"
    for tool in loftwell rsync cp; do times[$tool]+="${now[$tool]} "; done
    ratios_rsync+="$(awk -v a="${now[loftwell]}" -v b="${now[rsync]}" 'BEGIN { printf "%.3f", a / b }') "
    ratios_cp+="$(awk -v a="${now[loftwell]}" -v b="${now[cp]}" 'BEGIN { printf "%.3f", a / b }') "
  done
  printf '%-6s medians: loftwell %s s, rsync %s s, cp -a %s s\n' "$kind" \
    "$(tr ' ' '\n' <<<"${times[loftwell]}" | grep . | median)" "$(tr ' ' '\n' <<<"${times[rsync]}" | grep . | median)" \
    "$(tr ' ' '\n' <<<"${times[cp]}" | grep . | median)"
  printf '%-6s loftwell / rsync: median %sx (%s);  loftwell / cp -a: median %sx (%s)\n' "$kind" \
    "$(tr ' ' '\n' <<<"$ratios_rsync" | grep . | median)" "$(tr ' ' '\n' <<<"$ratios_rsync" | grep . | spread)" \
    "$(tr ' ' '\n' <<<"$ratios_cp" | grep . | median)" "$(tr ' ' '\n' <<<"$ratios_cp" | grep . | spread)"
  umount "$work/drive-$kind" 2>/dev/null || umount -l "$work/drive-$kind"
done
