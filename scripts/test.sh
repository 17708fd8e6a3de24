#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds with warnings as errors and sanitizers, and runs every
# test, then runs them again under a Russian UTF-8 locale and runs each benchmark once briefly. Then
# cross-builds for Windows and runs the same tests and a window smoke test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests --windows
cmake --preset ci
cmake --build --preset ci
ctest --preset ci -j2
LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 ctest --preset ci -j2
for b in build/ci/bench/*_bench; do
  [[ -x "$b" ]] || continue
  ASAN_OPTIONS=detect_leaks=0 "$b" --benchmark_min_time=0.01 --benchmark_filter="${BENCH_FILTER:-.}" >/dev/null
  echo "ran $(basename "$b")"
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
exit "$status"
