#!/usr/bin/env bash
# Usage: import_pairs.sh BENCH_TOOL [FILE...]
# Times the import of each FILE (".oas": OASIS, else GDSII) by korvane-bench against KLayout's
# in-memory read of the same file, in three alternating pairs (ours, theirs, ours, theirs, ...),
# so that a change of load during the run hits both sides, after one untimed run of each, so
# that both find the file and themselves in memory. Prints one line per pair and one summary
# line per file: the medians, their ratio (KLayout's time over ours: above 1 means faster than
# KLayout), our throughput and our largest peak RSS.
#
# Without FILE it times the standard set, made once in build/bench/import-pairs: gen-gds at
# SCALE $KORVANE_PAIRS_SCALE (default 16), the same layout as KLayout writes it, and that
# layout as OASIS without CBLOCKs.
set -euo pipefail
source "$(dirname "$0")/common.sh"

tool="$1"
shift
peer_script="$KORVANE_ROOT/scripts/lib/peer_read.py"
pairs=3

# The standard set of inputs, made when missing.
standard_inputs() {
  local scale="${KORVANE_PAIRS_SCALE:-16}"
  local dir="$KORVANE_ROOT/build/bench/import-pairs"
  local strm="/usr/lib/klayout"
  local gds="$dir/gen$scale.gds" kl="$dir/gen${scale}_klayout.gds" oas="$dir/gen$scale.oas"
  mkdir -p "$dir"
  [ -f "$gds" ] || "$tool" gen-gds "$gds" "$scale" >&2
  [ -f "$kl" ] || LD_LIBRARY_PATH="$strm" "$strm/strm2gds" "$gds" "$kl" >&2
  [ -f "$oas" ] || LD_LIBRARY_PATH="$strm" "$strm/strm2oas" --cblocks=false "$gds" "$oas" >&2
  echo "$gds" "$kl" "$oas"
}

# The value of key=value in a line.
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$2"; }

median() { printf '%s\n' "$@" | sort -g | sed -n "$(((${#} + 1) / 2))p"; }

time_ours() {
  local file="$1" lib="$2" command=import-gds
  [[ "$file" == *.oas ]] && command=import-oas
  rm -rf "$lib"
  "$tool" "$command" "$file" "$lib" | tail -n 1
  rm -rf "$lib"
}

time_peer() { QT_QPA_PLATFORM=offscreen klayout -b -rd f="$1" -r "$peer_script" | tail -n 1; }

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  read -r -a files <<<"$(standard_inputs)"
fi
lib="$(mktemp -d)/lib"
for file in "${files[@]}"; do
  time_ours "$file" "$lib" >/dev/null
  time_peer "$file" >/dev/null
  ours=() theirs=() peak=0
  for ((i = 1; i <= pairs; i++)); do
    line="$(time_ours "$file" "$lib")"
    ours+=("$(field seconds "$line")")
    rss="$(field peak_rss_kb "$line")"
    [ "${rss:-0}" -gt "$peak" ] && peak="$rss"
    theirs+=("$(field seconds "$(time_peer "$file")")")
    echo "pair $i file=$(basename "$file") korvane_seconds=${ours[-1]} klayout_seconds=${theirs[-1]}"
  done
  bytes="$(stat -c %s "$file")"
  a="$(median "${ours[@]}")" b="$(median "${theirs[@]}")"
  awk -v f="$(basename "$file")" -v a="$a" -v b="$b" -v n="$bytes" -v rss="$peak" 'BEGIN {
    printf "import-pairs file=%s bytes=%d korvane_seconds=%.3f klayout_seconds=%.3f ratio=%.2f mb_per_second=%.0f peak_rss_kb=%d\n",
      f, n, a, b, b / a, n / 1e6 / a, rss }'
done
rmdir "$(dirname "$lib")"
