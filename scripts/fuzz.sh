#!/usr/bin/env bash
# Runs every fuzz target of a TESSARO_FUZZ build coverage-guided, one after
# the other, each for the given number of seconds:
#
#   scripts/fuzz.sh <fuzz build folder> <seconds per target>
#
# Each target starts from its committed corpus (fuzz/corpus/<name>, read
# only) and keeps what it finds in <build>/fuzz/work/<name>; an input that
# breaks an invariant or trips a sanitizer is written to
# <build>/fuzz/artifacts/<name>-crash-* and fails the run. Commit such an
# input under fuzz/corpus/<name>/ once it is understood.
set -uo pipefail
build=${1:?usage: fuzz.sh <fuzz build folder> <seconds per target>}
seconds=${2:?usage: fuzz.sh <fuzz build folder> <seconds per target>}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build/fuzz/artifacts"

passed=0
failed=0
for seeds in "$root"/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  target="$build/fuzz/fuzz_$name"
  if [ ! -x "$target" ]; then
    echo "fuzz_$name: not built in $build"
    failed=$((failed + 1))
    continue
  fi
  work="$build/fuzz/work/$name"
  log="$build/fuzz/$name.log"
  mkdir -p "$work"
  options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$build/fuzz/artifacts/$name-")
  [ -f "$root/fuzz/$name.dict" ] && options+=(-dict="$root/fuzz/$name.dict")
  "$target" "${options[@]}" "$work" "$seeds" > "$log" 2>&1
  status=$?
  # The last status line names coverage (cov: edges, ft: features).
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "fuzz_$name: ${last:-no status line}; ${rate:-?} exec/s"
  if [ $status -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "fuzz_$name FAILED (exit $status), see $log:"
    grep -E 'ERROR|invariant broken|SUMMARY|Test unit written' "$log" | head -n 20
  fi
done
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
