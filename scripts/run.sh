#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds a release, and runs the main job on the sample share:
# the window where a display is available, else one unattended refresh run. Only the two programs are
# built; the tests and benchmarks are left for scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release
cmake --build --preset release --target inventory inventory-refresh
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec build/release/app/inventory
fi
echo "No display available: running one unattended refresh run instead (build/release/app/inventory-refresh)."
exec build/release/app/inventory-refresh
