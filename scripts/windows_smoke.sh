#!/usr/bin/env bash
# Smoke test of the Windows window program under Wine and Xvfb: starts inventory.exe (the one given,
# e.g. an installed copy, else build/windows/app/inventory.exe) on the sample share compiled into it
# (build/windows/share), presses "Пополнить", waits for the run to end, checks the log box and reads the
# USERS table back with an independent dBase reader (python3-dbfread); then makes a second run fail
# and checks the message box. Leaves screenshots in build/windows/smoke.png and smoke-failure.png. Expects WINEPREFIX to hold a booted prefix (scripts/test.sh makes one).
# Usage: scripts/windows_smoke.sh [inventory.exe]
set -euo pipefail
program=${1:+$(realpath "$1")}
cd "$(dirname "$0")/.."
program=${program:-$PWD/build/windows/app/inventory.exe}
build=build/windows
share=$build/share
fail() { echo "windows smoke test FAILED: $*" >&2; exit 1; }
probe() { wine "$build/tests/win32/window_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }

# A fresh database: the first activation creates USERS.
rm -f "$share"/DB/*.dbf "$share"/DB/*.DBF
mkdir -p "$share/DB"

exec 3>&1
display_file=$(mktemp)
Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp 5>"$display_file" 2>/dev/null &
xvfb=$!
inventory=""
cleanup() {
  [[ -n "$inventory" ]] && kill "$inventory" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true  # the session knows this display only
  kill "$xvfb" 2>/dev/null || true
  rm -f "$display_file"
}
trap cleanup EXIT
for _ in $(seq 50); do [[ -s "$display_file" ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$display_file")"

# A Wine session of its own that knows the display: a desktop that Wine set up without one (as ctest
# runs do) cannot show windows.
wineserver -k >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 </dev/null
wine regsvr32 /s "$(winepath -w "$build/tests/win32/fake_outlook.dll")" >/dev/null 2>&1 </dev/null

wine "$program" >/dev/null 2>&1 </dev/null &
inventory=$!
for _ in $(seq 300); do probe state >/dev/null && break; sleep 0.1; done
timeout 10 xdotool search --sync --name '^БД ЭФЛ$' >/dev/null || fail "no window captioned БД ЭФЛ"
# The first activation has prepared the database once the window answers.
for _ in $(seq 100); do [[ "$(probe state | head -1)" == enabled ]] && break; sleep 0.1; done

probe click
state=""
for _ in $(seq 300); do
  state=$(probe state)
  [[ "$state" == enabled || "$state" == *error:* ]] && break
  sleep 0.1
done
log=$(probe log)
import -window root "$build/smoke.png"
echo "button after the run: $state"
echo "log box:"; echo "$log" | sed 's/^/  /'

[[ "$state" == enabled ]] || fail "the run did not end with the button enabled"
grep -qF 'share\PC-BUH-01.txt' <<<"$log" || fail "the log box lacks the survey file PC-BUH-01.txt"
grep -qx 'SRV-PRINT-08' <<<"$log" || fail "the log box lacks the info-only host SRV-PRINT-08"

rows=$(/usr/bin/python3 - "$share/DB" <<'PY'
import sys
from dbfread import DBF
for record in DBF(sys.argv[1] + "/users.dbf", encoding="cp1251"):
    print(record["HOST"].strip(), "|", record["FIO"].strip(), "|", record["EMAIL"].strip(), "|", record["TEL2"].strip())
for record in DBF(sys.argv[1] + "/mexport.dbf", encoding="cp1251"):
    print("MEXPORT", record["FIO"].strip(), "|", record["EMAIL"].strip())
for record in DBF(sys.argv[1] + "/texport.dbf", encoding="cp1251"):
    print("TEXPORT", record["FIO"].strip(), "|", record["TEL"].strip())
PY
)
echo "tables:"; echo "$rows" | sed 's/^/  /'
# The stand-in's directory: two address-list entries and one contact (see fake_outlook_com.h).
grep -qx 'MEXPORT ИВАНОВ ИВАН ПЕТРОВИЧ | ivanov@eflab.example' <<<"$rows" || fail "MEXPORT lacks Ivanov"
# One "/cn=" only: the second cut takes three characters of the alias.
grep -qx 'MEXPORT PETROV | rov@eflab.example' <<<"$rows" || fail "MEXPORT lacks Petrov"
grep -qx 'TEXPORT ПЕТРОВА МАРИЯ СЕРГЕЕВНА | 123-45-67' <<<"$rows" || fail "TEXPORT lacks Petrova"
# The merge: the e-mail address and the second telephone reach the rows with the same name.
grep -qx 'PC-BUH-01 | ИВАНОВ ИВАН ПЕТРОВИЧ | ivanov@eflab.example | .*' <<<"$rows" || fail "PC-BUH-01 lacks its e-mail address"
grep -qx 'PC-BUH-02 | ПЕТРОВА МАРИЯ СЕРГЕЕВНА | .* | 123-45-67' <<<"$rows" || fail "PC-BUH-02 lacks its second telephone"
grep -qx 'SRV-PRINT-08 | АНКЕТА НЕ ЗАПОЛНЕНА | .* | .*' <<<"$rows" || fail "USERS lacks the placeholder row of SRV-PRINT-08"

# A failing run: a folder named like a survey file cannot be read. One message box, captioned with the
# application title, the message with its full stop; the button stays disabled.
broken="$share/ZZ-BROKEN.txt"
mkdir -p "$broken"
trap 'cleanup; rmdir "$broken" 2>/dev/null || true' EXIT
probe click
for _ in $(seq 300); do
  state=$(probe state)
  [[ "$state" == *error:* ]] && break
  sleep 0.1
done
import -window root "$build/smoke-failure.png"
echo "after the failing run:"; echo "$state" | sed 's/^/  /'
grep -qx 'disabled' <<<"$state" || fail "the button is not disabled after a failed run"
grep -qx 'box: inventory' <<<"$state" || fail "the message box is not captioned with the title inventory"
grep -q '^error: Cannot open file ".*ZZ-BROKEN\.txt"\. .*\.$' <<<"$state" || fail "unexpected error text"
probe dismiss
for _ in $(seq 50); do [[ "$(probe state)" != *error:* ]] && break; sleep 0.1; done
[[ "$(probe state)" == disabled ]] || fail "the message box did not close, or the button came back"
rmdir "$broken"

probe close
for _ in $(seq 50); do kill -0 "$inventory" 2>/dev/null || break; sleep 0.1; done
kill -0 "$inventory" 2>/dev/null && fail "the window did not close"
inventory=""
echo "windows smoke test passed"
