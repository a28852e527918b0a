#!/usr/bin/env bash
# `tessaro filter` on a 10-minute stereo 48 kHz float WAV with a Butterworth
# bandpass of order 4 (500 to 2000 Hz), next to the library's block Process
# alone on the same samples in memory. Fastest of three runs each.
#   bench/cli_filter.sh [build dir] [seconds of audio, default 600]
set -euo pipefail
build=${1:-build}
seconds=${2:-600}
tool=$build/cli/tessaro
peer=$build/bench/cli_filter_peer
for f in "$tool" "$peer"; do [ -x "$f" ] || { echo "Missing $f: build it first" >&2; exit 1; }; done

work=$(mktemp -d /tmp/tessaro-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
in=$work/in.wav
out=$work/out.wav
"$peer" generate "$in" "$seconds"

# Wall time of one command in seconds.
timed() {
  local start end
  start=$(date +%s%N)
  "$@"
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'
}
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

best_tool=
best_peer=
samples=
for run in 1 2 3; do
  t=$(timed "$tool" filter --quiet --response bandpass --order 4 --f1 500 --f2 2000 "$in" "$out")
  read -r p samples < <("$peer" process "$in")
  best_tool=$(smaller "$t" "$best_tool")
  best_peer=$(smaller "$p" "$best_peer")
done

echo "Input: $seconds s of stereo 48 kHz float WAV ($(du -h "$in" | cut -f1)), $samples samples"
echo "Design: Butterworth bandpass, order 4, 500 to 2000 Hz; fastest of 3 runs"
awk -v s="$samples" -v t="$best_tool" -v p="$best_peer" 'BEGIN {
  printf "%-34s %8.3f s  %6.1f M samples/s\n", "tessaro filter (file to file)", t, s / t / 1e6
  printf "%-34s %8.3f s  %6.1f M samples/s\n", "block Process alone, in memory", p, s / p / 1e6
  printf "tessaro filter takes %.2f times as long\n", t / p
}'
