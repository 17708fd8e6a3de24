#!/usr/bin/env bash
# Builds the release packages with scripts/package.sh, signed with a throw-away certificate, and
# checks them as an administrator would use them:
#   - the MSI's tables (x64, every component 64-bit, ProductVersion); in a fresh Wine prefix a silent
#     install into C:\Program Files\Inventory\, the programs' --version and the window smoke test
#     against the installed inventory.exe, an in-place upgrade to a higher version, a lower version
#     refused, and a silent removal that leaves no file, shortcut or Add/Remove entry;
#   - the portable zip: the MSI's files, each program run under Wine;
#   - the .deb: lintian, `apt-get install`, --version and a refresh over a copy of examples/share,
#     `systemd-analyze verify` on the installed units, and a purge that leaves no file;
#   - the signatures (osslsigncode verify) and SHA256SUMS.
# The Windows programs come from build/windows (scripts/test.sh builds it first), reconfigured for
# its own sample share, so the installed window program runs the smoke test on that share. Installs
# the .deb on this machine (root) and purges it again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
check="$root/build/check-packages"
fail() { echo "package check FAILED: $*" >&2; exit 1; }
rm -rf "$check"
mkdir -p "$check"
version=$(sed -n 's/^project(inventory VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[[ -n $version ]] || fail "no project(VERSION) in CMakeLists.txt"

# A throw-away code-signing certificate, its own certificate authority.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$check/key.pem" -out "$check/cert.pem" -days 2 \
  -subj "/CN=Inventory package check" -addext extendedKeyUsage=codeSigning 2>/dev/null
echo "check-$RANDOM$RANDOM" >"$check/password"
openssl pkcs12 -export -in "$check/cert.pem" -inkey "$check/key.pem" -out "$check/cert.p12" \
  -passout "file:$check/password"

share="$root/build/windows/share/"
share_windows="Z:${share//\//\\}"
dist="$check/dist"
scripts/package.sh --windows-build build/windows --windows-survey-folder "$share_windows" \
  --mail-domain eflab.example --sign-pkcs12 "$check/cert.p12" --sign-password-file "$check/password" \
  --output "$dist"
msi="$dist/inventory-$version-windows-x64.msi"
zip="$dist/inventory-$version-windows-x64-portable.zip"
deb="$dist/inventory_${version}_amd64.deb"

(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS"
[[ $(wc -l <"$dist/SHA256SUMS") -eq 3 ]] || fail "SHA256SUMS does not list the three packages"

# --- The zip and the signatures --------------------------------------------------------------------
mkdir -p "$check/zip" "$check/msi-files"
unzip -q "$zip" -d "$check/zip"
portable="$check/zip/inventory-$version-windows-x64"
files=(inventory.exe inventory-refresh.exe inventory-report.exe README.md LICENSE.txt THIRD-PARTY-NOTICES.txt)
[[ $(ls "$portable" | sort) == $(printf '%s\n' "${files[@]}" | sort) ]] ||
  fail "the zip holds $(ls "$portable" | tr '\n' ' ')"
verify() { osslsigncode verify -CAfile "$check/cert.pem" -in "$1" >/dev/null 2>&1 || fail "$(basename "$1") is not signed"; }
verify "$msi"
for exe in "$portable"/*.exe; do verify "$exe"; done
# The MSI installs exactly the zip's files.
msiextract -C "$check/msi-files" "$msi" >/dev/null
installed_files="$check/msi-files/Inventory"  # msiextract drops ProgramFiles64Folder
for file in "${files[@]}"; do
  cmp -s "$portable/$file" "$installed_files/$file" || fail "the MSI's $file differs from the zip's"
done
# Each exe: stripped, only system DLLs, the version resource with the icon and the manifest.
python3 - "$version" "$root/packaging/windows/inventory.ico" "$portable"/*.exe <<'PY' || fail "version resources"
import struct, sys
version, icon, exes = sys.argv[1], open(sys.argv[2], "rb").read(), sys.argv[3:]
count = struct.unpack_from("<H", icon, 4)[0]
images = [icon[o:o + n] for n, o in (struct.unpack_from("<II", icon, 6 + 16 * i + 8) for i in range(count))]
for exe in exes:
    data = open(exe, "rb").read()
    for key in ("FileVersion", "ProductVersion"):
        needle = (key + "\0").encode("utf-16-le")
        at = data.find(needle)
        value = data[at + len(needle):at + len(needle) + 64]
        if at < 0 or (version + "\0").encode("utf-16-le") not in value:
            sys.exit(f"{exe}: no {key} {version}")
    if not all(image in data for image in images):
        sys.exit(f"{exe}: not the program icon")
    if b'requestedExecutionLevel level="asInvoker"' not in data:
        sys.exit(f"{exe}: no manifest")
    if b".debug_info" in data or b".symtab" in data:
        sys.exit(f"{exe}: not stripped")
PY
for exe in "$portable"/*.exe; do
  x86_64-w64-mingw32-objdump -p "$exe" | grep -i "DLL Name" | grep -qiv -E \
    'DLL Name: (kernel32|user32|gdi32|ole32|oleaut32|advapi32|shell32|ws2_32|wsock32|wldap32|msvcrt|comctl32|shlwapi|bcrypt)\.dll' &&
    fail "$(basename "$exe") imports a DLL that is not the system's"
done

# --- The MSI's tables ------------------------------------------------------------------------------
msiinfo suminfo "$msi" | tr -d '\r' | grep -qx 'Template: x64;1033' || fail "the MSI's template is not x64"
mkdir -p "$check/msidump"
# msidump writes the binary streams (Icon/) into the folder it runs in.
(cd "$check/msidump" && msidump -d . "$msi" >/dev/null)
property() { tr -d '\r' <"$check/msidump/Property.idt" | awk -F'\t' -v p="$1" '$1 == p { print $2 }'; }
[[ $(property ProductVersion) == "$version" ]] || fail "ProductVersion is $(property ProductVersion), not $version"
[[ $(property ALLUSERS) == 1 ]] || fail "the MSI does not install per machine"
upgrade_code=$(grep -o 'UpgradeCode="[^"]*"' packaging/windows/inventory.wxs | cut -d'"' -f2)
[[ $(property UpgradeCode) == "{$upgrade_code}" ]] || fail "UpgradeCode is $(property UpgradeCode)"
# Component table: Component, ComponentId, Directory_, Attributes, Condition, KeyPath; 256 is 64-bit.
components=$(tr -d '\r' <"$check/msidump/Component.idt" | tail -n +4)
[[ $(wc -l <<<"$components") -eq ${#files[@]} ]] || fail "the MSI has $(wc -l <<<"$components") components"
while IFS=$'\t' read -r id _ _ attributes _; do
  (((attributes & 256) == 256)) || fail "component $id is not 64-bit (Attributes $attributes)"
done <<<"$components"
tr -d '\r' <"$check/msidump/Shortcut.idt" | tail -n +4 | awk -F'\t' '$2 == "ProgramMenuFolder" && $5 == "[#inventory.exe]"' |
  grep -q . || fail "no Start-menu shortcut to inventory.exe"

# --- The MSI and the zip under Wine, in a fresh prefix ---------------------------------------------
export WINEPREFIX="$check/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k >/dev/null 2>&1 || true
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 </dev/null
wine wineboot >/dev/null 2>&1 </dev/null
program_files="$WINEPREFIX/drive_c/Program Files/Inventory"
msiexec() {  # msiexec ARGS...: Windows Installer's exit status modulo 256 (1603 shows as 67)
  local status=0
  wine msiexec "$@" /qn >/dev/null 2>&1 </dev/null || status=$?
  return "$status"
}
entries() {  # the Add/Remove entries named Inventory: "DisplayVersion" of each
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null </dev/null |
    tr -d '\r' | awk '/^HKEY/ { name = ""; shown = "" }
                      $1 == "DisplayName" { name = $3 } $1 == "DisplayVersion" { shown = $3 }
                      name == "Inventory" && shown != "" { print shown; name = "" }'
}
shortcuts() { find "$WINEPREFIX/drive_c" -iname 'Inventory.lnk' | wc -l; }
runs() {  # runs FOLDER: the unattended programs answer --version from FOLDER
  local program output
  for program in inventory-refresh inventory-report; do
    output=$(wine "$1/$program.exe" --version 2>/dev/null </dev/null | tr -d '\r') || fail "$1/$program.exe --version failed"
    [[ $output == "$program $version" ]] || fail "$program.exe --version says '$output'"
  done
}

msiexec /i "$(winepath -w "$msi")" || fail "silent install (status $?)"
for file in "${files[@]}"; do [[ -f "$program_files/$file" ]] || fail "not installed: $file"; done
[[ $(entries) == "$version" ]] || fail "Add/Remove entries after install: $(entries | tr '\n' ' ')"
[[ $(shortcuts) -eq 1 ]] || fail "no Start-menu shortcut after install"
runs "C:\\Program Files\\Inventory"
LANG=ru_RU.UTF-8 scripts/windows_smoke.sh "$program_files/inventory.exe" >"$check/smoke-installed.log" 2>&1 ||
  { cat "$check/smoke-installed.log"; fail "the window smoke test against the installed inventory.exe"; }
wineserver -p >/dev/null 2>&1 </dev/null

# A higher version replaces the installed one in place; the lower one is refused then.
IFS=. read -r major minor patch <<<"$version"
higher="$major.$minor.$((patch + 1))"
mkdir -p "$check/higher"
cp "$portable"/* packaging/windows/inventory.ico "$check/higher/"
(cd "$check/higher" && wixl -a x64 -D Version="$higher" -o "$check/higher.msi" "$root/packaging/windows/inventory.wxs")
msiexec /i "$(winepath -w "$check/higher.msi")" || fail "upgrade to $higher (status $?)"
[[ $(entries) == "$higher" ]] || fail "Add/Remove entries after the upgrade: $(entries | tr '\n' ' ')"
status=0
msiexec /i "$(winepath -w "$msi")" || status=$?
((status == 1603 % 256)) || fail "installing $version over $higher: status $status, not 1603"
[[ $(entries) == "$higher" ]] || fail "Add/Remove entries after the refused downgrade: $(entries | tr '\n' ' ')"
msiexec /x "$(winepath -w "$check/higher.msi")" || fail "silent removal (status $?)"
[[ ! -e $program_files ]] || fail "left after removal: $(ls -A "$program_files" | tr '\n' ' ')"
[[ -z $(entries) ]] || fail "an Add/Remove entry is left after removal"
[[ $(shortcuts) -eq 0 ]] || fail "the Start-menu shortcut is left after removal"

# The zip's programs run where it was unpacked.
runs "$(winepath -w "$portable")"
LANG=ru_RU.UTF-8 scripts/windows_smoke.sh "$portable/inventory.exe" >"$check/smoke-portable.log" 2>&1 ||
  { cat "$check/smoke-portable.log"; fail "the window smoke test against the zip's inventory.exe"; }
wineserver -k >/dev/null 2>&1 || true
echo "MSI and zip: passed"

# --- The .deb ----------------------------------------------------------------------------------------
lintian --fail-on error,warning "$deb" || fail "lintian"
if dpkg-query -W inventory >/dev/null 2>&1; then apt-get purge -y -qq inventory >/dev/null; fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
trap 'apt-get purge -y -qq inventory >/dev/null 2>&1 || true' EXIT
dpkg-query -L inventory | while read -r path; do [[ -d $path ]] || echo "$path"; done >"$check/deb-files"
[[ $(/usr/bin/inventory-refresh --version) == "inventory-refresh $version" ]] || fail "inventory-refresh --version"
[[ $(/usr/bin/inventory-report --version) == "inventory-report $version" ]] || fail "inventory-report --version"
dpkg-query -W -f='${Version}' inventory | grep -qx "$version" || fail "the .deb's version"
dpkg-query -W -f='${Conffiles}' inventory | grep -q '^ /etc/default/inventory-refresh ' ||
  fail "/etc/default/inventory-refresh is not a conffile"
getent passwd inventory >/dev/null || fail "no system user inventory"
[[ ! -e /etc/systemd/system/timers.target.wants/inventory-refresh.timer ]] || fail "the timer is enabled"
for page in inventory inventory-refresh inventory-report; do
  [[ -f /usr/share/man/man1/$page.1.gz ]] || fail "no manual page $page(1)"
done
desktop-file-validate /usr/share/applications/inventory.desktop || fail "the desktop entry"
cp -r examples/share "$check/deb-share"
mkdir -p "$check/deb-share/DB"
/usr/bin/inventory-refresh --survey-folder "$check/deb-share/" --mail-domain eflab.example \
  --gal-file "$check/deb-share/directory/gal.ldif" --contacts-file "$check/deb-share/directory/contacts.vcf" \
  >"$check/deb-refresh.log" || fail "the installed inventory-refresh failed on the sample share"
grep -q 'PC-BUH-01.txt$' "$check/deb-refresh.log" && grep -qx 'SRV-PRINT-08' "$check/deb-refresh.log" ||
  fail "the refresh log lacks the sample share's files: $(cat "$check/deb-refresh.log")"
[[ -s $check/deb-share/DB/users.dbf ]] || fail "the refresh wrote no users.dbf"
grep -q "^ExecStart=/usr/bin/inventory-refresh \$INVENTORY_REFRESH_OPTIONS$" /lib/systemd/system/inventory-refresh.service ||
  fail "the service does not start /usr/bin/inventory-refresh with the options of /etc/default/inventory-refresh"
output=$(systemd-analyze verify /lib/systemd/system/inventory-refresh.service /lib/systemd/system/inventory-refresh.timer 2>&1) ||
  fail "systemd-analyze verify: $output"
[[ -z $output ]] || fail "systemd-analyze verify: $output"
# Enabled by the administrator, the timer's link goes with the purge too.
systemctl enable inventory-refresh.timer >/dev/null 2>&1
[[ -L /etc/systemd/system/timers.target.wants/inventory-refresh.timer ]] || fail "systemctl enable made no link"
apt-get purge -y -qq inventory >/dev/null
trap - EXIT
left=$(while read -r path; do if [[ -e $path || -L $path ]]; then echo "$path"; fi; done <"$check/deb-files")
[[ -z $left ]] || fail "left after purge: $left"
[[ ! -e /etc/systemd/system/timers.target.wants/inventory-refresh.timer ]] || fail "the timer's link is left after purge"
echo ".deb: passed"
echo "package check passed"
