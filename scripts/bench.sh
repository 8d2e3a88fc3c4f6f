#!/usr/bin/env bash
# Builds the benchmarks without sanitizers and runs each one; every benchmark
# prints its ratio against a reference measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh
scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release
for b in build/release/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
