#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds with warnings as errors and sanitizers, and runs every
# test, then runs them again under a Russian UTF-8 locale and runs each benchmark once briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
cmake --preset ci
cmake --build --preset ci
ctest --preset ci -j2
LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 ctest --preset ci -j2
for b in build/ci/bench/*_bench; do
  [[ -x "$b" ]] || continue
  ASAN_OPTIONS=detect_leaks=0 "$b" --benchmark_min_time=0.01 --benchmark_filter="${BENCH_FILTER:-.}" >/dev/null
  echo "ran $(basename "$b")"
done
