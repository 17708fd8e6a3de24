#!/usr/bin/env bash
# Runs a program on an X server of its own that no window manager runs (Xvfb alone), with Qt's xcb
# platform. Exits 77, which ctest counts as skipped, when Xvfb is not installed.
set -euo pipefail
command -v Xvfb >/dev/null || { echo "skipped: Xvfb is not installed"; exit 77; }
display_file=$(mktemp)
Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp 5>"$display_file" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 100); do [[ -s "$display_file" ]] && break; sleep 0.1; done
[[ -s "$display_file" ]] || { echo "Xvfb did not start"; exit 1; }
DISPLAY=":$(cat "$display_file")" QT_QPA_PLATFORM=xcb "$@"
