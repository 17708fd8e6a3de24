#!/usr/bin/env bash
# Checks the example systemd units with `systemd-analyze verify`, with ExecStart pointed at the
# program just built. systemd reports most mistakes as warnings ("Unknown key ..., ignoring") and
# still succeeds, so any output at all fails the test. Exit 77 (skipped) where systemd-analyze is
# missing. Usage: systemd_units_test.sh <examples/systemd folder> <inventory-refresh>
set -euo pipefail
units="$1"
program="$2"
if ! command -v systemd-analyze >/dev/null 2>&1; then
  echo "systemd-analyze is not installed (Debian package systemd): the units are not checked"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed "s|^ExecStart=/usr/local/bin/inventory-refresh |ExecStart=$program |" "$units/inventory-refresh.service" \
  >"$work/inventory-refresh.service"
cp "$units/inventory-refresh.timer" "$work/"
grep -q "^ExecStart=$program " "$work/inventory-refresh.service" || { echo "ExecStart does not start inventory-refresh"; exit 1; }
for setting in ProtectSystem=strict ReadWritePaths= NoNewPrivileges=yes PrivateTmp=yes; do
  grep -q "^$setting" "$work/inventory-refresh.service" || { echo "the sandbox lacks $setting"; exit 1; }
done
status=0
output=$(systemd-analyze verify "$work/inventory-refresh.service" "$work/inventory-refresh.timer" 2>&1) || status=$?
if [[ $status -ne 0 || -n "$output" ]]; then
  echo "systemd-analyze verify (status $status):"
  echo "$output"
  exit 1
fi
