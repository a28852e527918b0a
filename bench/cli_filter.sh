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

# Wall and CPU (user + system) seconds of one command.
timed() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" 2>/dev/null; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

wall_tool= cpu_tool= wall_peer= cpu_peer= samples=
for run in 1 2 3; do
  read -r w c < <(timed "$tool" filter --quiet --response bandpass --order 4 --f1 500 --f2 2000 "$in" "$out")
  wall_tool=$(smaller "$w" "$wall_tool"); cpu_tool=$(smaller "$c" "$cpu_tool")
  read -r w c samples < <("$peer" process "$in")
  wall_peer=$(smaller "$w" "$wall_peer"); cpu_peer=$(smaller "$c" "$cpu_peer")
done

echo "Input: $seconds s of stereo 48 kHz float WAV ($(du -h "$in" | cut -f1)), $samples samples"
echo "Design: Butterworth bandpass, order 4, 500 to 2000 Hz; fastest of 3 runs"
echo "Processor: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores"
awk -v s="$samples" -v wt="$wall_tool" -v ct="$cpu_tool" -v wp="$wall_peer" -v cp="$cpu_peer" 'BEGIN {
  printf "%-32s %9s %9s %14s\n", "", "wall (s)", "CPU (s)", "M samples/s"
  printf "%-32s %9.3f %9.3f %14.1f\n", "tessaro filter, file to file", wt, ct, s / wt / 1e6
  printf "%-32s %9.3f %9.3f %14.1f\n", "block Process alone, in memory", wp, cp, s / wp / 1e6
  printf "tessaro filter / block Process: %.2f (wall), %.2f (CPU)\n", wt / wp, ct / cp
}'
