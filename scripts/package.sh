#!/usr/bin/env bash
# Builds the organisation's release packages into dist/ (or --output DIR):
#   inventory-X.Y.Z-windows-x64.msi, inventory-X.Y.Z-windows-x64-portable.zip (MinGW cross build),
#   inventory_X.Y.Z_amd64.deb (Debian 12) and SHA256SUMS over the three.
# The window program's settings are compiled in, so the packages are built for one organisation: its
# survey folders and mail domain are given here. Installs the Debian packages it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() {
  cat <<'EOF'
usage: scripts/package.sh [options]
  --windows-survey-folder UNC   survey folder of the Windows programs (default \\fileserver\mm$\Basa\)
  --linux-survey-folder DIR     survey folder of the Debian programs (default /mnt/mm/Basa/)
  --mail-domain DOMAIN          the organisation's mail domain, without the at sign (INVENTORY_MAIL_DOMAIN)
  --codepage NAME               INVENTORY_CODEPAGE (default: ACP on Windows, windows-1251 on Debian)
  --dbf-codepage NAME           INVENTORY_DBF_CODEPAGE (default windows-1251)
  --gal-file FILE               INVENTORY_GAL_FILE of the Debian programs (default <survey folder>directory/gal.ldif)
  --contacts-file FILE          INVENTORY_CONTACTS_FILE of the Debian programs (default <survey folder>directory/contacts.vcf)
  --version X.Y.Z               the release's version (default: project(VERSION) in CMakeLists.txt)
  --sign-pkcs12 FILE            sign every exe and the MSI with this Authenticode certificate (osslsigncode)
  --sign-password-file FILE     the certificate's password (first line of FILE)
  --sign-timestamp URL          the timestamp server for the signatures (RFC 3161; default: none)
  --windows-build DIR           the Windows build folder (default build/package-windows; an existing
                                build such as build/windows is reconfigured with these settings)
  --linux-build DIR             the Debian build folder (default build/package-linux)
  --output DIR                  where the packages go (default dist)
EOF
}

windows_folder='\\fileserver\mm$\Basa\'
linux_folder=/mnt/mm/Basa/
mail_domain=eflab.example
codepage="" dbf_codepage="" gal_file="" contacts_file="" version="" pkcs12="" password_file="" timestamp=""
windows_build=build/package-windows
linux_build=build/package-linux
output=dist
while (($#)); do
  option=$1
  case "$option" in
    --help) usage; exit 0 ;;
    --windows-survey-folder|--linux-survey-folder|--mail-domain|--codepage|--dbf-codepage|--gal-file|\
    --contacts-file|--version|--sign-pkcs12|--sign-password-file|--sign-timestamp|--windows-build|--linux-build|\
    --output)
      (($# >= 2)) || { echo "package.sh: $option needs a value" >&2; usage >&2; exit 2; }
      value=$2; shift 2 ;;
    *) echo "package.sh: unknown option $option" >&2; usage >&2; exit 2 ;;
  esac
  case "$option" in
    --windows-survey-folder) windows_folder=$value ;;
    --linux-survey-folder) linux_folder=$value ;;
    --mail-domain) mail_domain=$value ;;
    --codepage) codepage=$value ;;
    --dbf-codepage) dbf_codepage=$value ;;
    --gal-file) gal_file=$value ;;
    --contacts-file) contacts_file=$value ;;
    --version) version=$value ;;
    --sign-pkcs12) pkcs12=$(realpath "$value") ;;
    --sign-password-file) password_file=$(realpath "$value") ;;
    --sign-timestamp) timestamp=$value ;;
    --windows-build) windows_build=$value ;;
    --linux-build) linux_build=$value ;;
    --output) output=$value ;;
  esac
done

fail() { echo "package.sh: $*" >&2; exit 2; }
project_version=$(sed -n 's/^project(inventory VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
release_version=${version:-$project_version}
# Windows Installer compares three fields (at most 255.255.65535): every release needs a new one.
[[ $release_version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || fail "the version is X.Y.Z: '$release_version'"
((BASH_REMATCH[1] <= 255 && BASH_REMATCH[2] <= 255 && BASH_REMATCH[3] <= 65535)) ||
  fail "an MSI version is at most 255.255.65535: '$release_version'"
[[ -z $pkcs12 || -n $password_file ]] || fail "--sign-pkcs12 needs --sign-password-file"
[[ $linux_folder == /*/ ]] || fail "the Linux survey folder is an absolute path ending with /: '$linux_folder'"
[[ $windows_folder == *\\ ]] || fail "the Windows survey folder ends with a backslash: '$windows_folder'"

scripts/setup.sh --windows --package

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
settings=(-DINVENTORY_PACKAGING=ON -DINVENTORY_VERSION_OVERRIDE="$version" -DINVENTORY_MAIL_DOMAIN="$mail_domain")
[[ -n $dbf_codepage ]] && settings+=(-DINVENTORY_DBF_CODEPAGE="$dbf_codepage")
[[ -n $codepage ]] && settings+=(-DINVENTORY_CODEPAGE="$codepage")
programs=(inventory inventory-refresh inventory-report)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$output"
output=$(realpath "$output")

sign() {  # sign FILE...: Authenticode signature in place
  [[ -n $pkcs12 ]] || return 0
  local file stamp=()
  [[ -z $timestamp ]] || stamp=(-ts "$timestamp")
  for file in "$@"; do
    osslsigncode sign -pkcs12 "$pkcs12" -readpass "$password_file" -h sha256 -n Inventory "${stamp[@]}" \
      -in "$file" -out "$file.signed" >/dev/null
    mv "$file.signed" "$file"
  done
}

# Windows: static, stripped programs with their version resources, the README and the notices.
if [[ ! -f $windows_build/CMakeCache.txt ]]; then
  settings_windows=(-G Ninja --toolchain "$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
                    -DINVENTORY_BUILD_TESTS=OFF -DINVENTORY_BUILD_BENCH=OFF)
else
  settings_windows=()
fi
cmake -S . -B "$windows_build" "${settings_windows[@]}" "${launcher[@]}" "${settings[@]}" \
  -DINVENTORY_SURVEY_FOLDER="$windows_folder" >/dev/null
cmake --build "$windows_build" --target "${programs[@]}"
stage="$work/inventory-$release_version-windows-x64"
cmake --install "$windows_build" --component inventory --strip --prefix "$stage" >/dev/null
for program in "${programs[@]}"; do
  # Only system DLLs: the programs run from any folder.
  if x86_64-w64-mingw32-objdump -p "$stage/$program.exe" | grep -qiE 'DLL Name: (libgcc|libstdc|libwinpthread)'; then
    fail "$program.exe needs a MinGW runtime DLL"
  fi
done
sign "$stage"/*.exe
zip="inventory-$release_version-windows-x64-portable.zip"
rm -f "$output/$zip"
(cd "$work" && zip -qrX "$output/$zip" "$(basename "$stage")")
# wixl finds the files relative to the folder it runs in.
cp packaging/windows/inventory.ico "$stage/"
msi="inventory-$release_version-windows-x64.msi"
(cd "$stage" && wixl -a x64 -D Version="$release_version" -o "$output/$msi" "$root/packaging/windows/inventory.wxs")
sign "$output/$msi"

# Debian 12: Debian's hardening flags, the settings, CPack's DEB generator.
gal_file=${gal_file:-${linux_folder}directory/gal.ldif}
contacts_file=${contacts_file:-${linux_folder}directory/contacts.vcf}
cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DINVENTORY_BUILD_TESTS=OFF -DINVENTORY_BUILD_BENCH=OFF "${launcher[@]}" "${settings[@]}" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS) -Wl,-z,now" \
  -DINVENTORY_SURVEY_FOLDER="$linux_folder" -DINVENTORY_GAL_FILE="$gal_file" \
  -DINVENTORY_CONTACTS_FILE="$contacts_file" >/dev/null
cmake --build "$linux_build"
deb="inventory_${release_version}_amd64.deb"
(cd "$linux_build" && cpack --config CPackConfig.cmake -B "$work/deb" >/dev/null)
mv "$work/deb/$deb" "$output/$deb"

(cd "$output" && sha256sum "$msi" "$zip" "$deb" >SHA256SUMS)
echo "packages in $output:"
(cd "$output" && ls -l "$msi" "$zip" "$deb" SHA256SUMS)
