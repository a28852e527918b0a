#!/usr/bin/env bash
# Runs every benchmark of a build directory: scripts/bench.sh <build dir> [benchmark args]
set -euo pipefail
build=${1:-build}; shift || true
found=0
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b" "$@"
done
[ "$found" = 1 ] || { echo "No benchmarks in $build/bench" >&2; exit 1; }
