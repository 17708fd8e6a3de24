#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds with warnings as errors and sanitizers, and runs every
# test, then runs them again under a Russian UTF-8 locale, runs each benchmark once briefly, and builds
# the fuzz targets with clang and runs each for a few seconds from its corpus. Then cross-builds for
# Windows and runs the same tests and a window smoke test under Wine; last, builds the release
# packages from that Windows build and checks them (scripts/check_packages.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests --windows --package
# Unformatted code fails first, before anything is built (.clang-format).
scripts/check_format.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci -j2
LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 ctest --preset ci -j2
# Each benchmark once, at its smallest size only: this keeps them building and running, the figures
# come from release builds (bench/README.md).
declare -A smallest=([refresh_bench]='^BM_(FirstRun|SecondRun|IoFloor)/1000/' [report_bench]='/1000/' [store_bench]='/10000/'
                      [survey_bench]='.' [window_bench]='/1000/' [directory_bench]='/2000/')
for b in build/ci/bench/*_bench; do
  [[ -x "$b" ]] || continue
  name=$(basename "$b")
  ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$b" --benchmark_min_time=0.01 --benchmark_filter="${smallest[$name]:-.}" >/dev/null
  echo "ran $name"
done

# New inputs the fuzzers find go to a scratch folder; the corpus in the repository stays as committed.
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINVENTORY_FUZZ=ON \
  -DINVENTORY_BUILD_GUI=OFF -DINVENTORY_BUILD_TESTS=OFF -DINVENTORY_BUILD_BENCH=OFF -DINVENTORY_WERROR=ON
cmake --build build/fuzz
root=$(pwd)
for target in read_lines dbf_open statement; do
  scratch=$(mktemp -d)
  (cd "$scratch" && "$root/build/fuzz/fuzz/${target}_fuzz" -max_total_time="${FUZZ_SECONDS:-10}" -max_len=16384 \
     -timeout=10 "$scratch" "$root/fuzz/corpus/$target" >"$scratch/log" 2>&1) || { tail -n 40 "$scratch/log"; exit 1; }
  rm -rf "$scratch"
  echo "fuzzed $target"
done

# Windows: MinGW-w64 cross build, tests under Wine in a fresh prefix. Under ru_RU.UTF-8 Wine's ANSI
# code page is 1251. The Wine session gets a display (Xvfb) so that the window tests run rather than
# skip. wineserver and wineboot start first with their output going nowhere: otherwise every test's
# cold start keeps ctest's pipe open (or ctest waits forever).
cmake --preset windows
cmake --build --preset windows
export WINEPREFIX="$PWD/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
display_file=$(mktemp)
Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp 5>"$display_file" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [[ -s "$display_file" ]] && break; sleep 0.1; done
status=0
DISPLAY=":$(cat "$display_file")" bash -c '
  wineserver -p >/dev/null 2>&1 </dev/null
  wine wineboot >/dev/null 2>&1 </dev/null
  LANG=ru_RU.UTF-8 ctest --preset windows -j2' || status=$?
wineserver -k >/dev/null 2>&1 || true
kill "$xvfb" 2>/dev/null || true
rm -f "$display_file"
LANG=ru_RU.UTF-8 scripts/windows_smoke.sh || status=$?
wineserver -k >/dev/null 2>&1 || true
scripts/check_packages.sh || status=$?
exit "$status"
