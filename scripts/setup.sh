#!/usr/bin/env bash
# Installs the Debian packages the project needs, skipping those already there.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libicu-dev googletest libgtest-dev libgmock-dev
          libbenchmark-dev libcli11-dev fonts-dejavu-core locales
          libldap-dev libcurl4-openssl-dev libexpat1-dev)
for option in "$@"; do
  case "$option" in
    --tests)
      # Independent dBase readers the interop tests run on tables the engine writes.
      packages+=(python3-dbfread gdal-bin)
      # The format check (scripts/check_format.sh).
      packages+=(clang-format)
      # The report tests open the page in a real browser, headless.
      packages+=(chromium)
      # The fuzz targets: clang with its libFuzzer and sanitizer runtimes.
      packages+=(clang libclang-rt-14-dev)
      # The SMB share test: Samba's server and the FUSE client smbnetfs (fuse3 brings fusermount).
      packages+=(samba smbnetfs fuse3)
      # The live directory tests: a throw-away slapd with certificates made by openssl, and Radicale
      # for CardDAV; ldapsearch for the benchmark's comparison.
      packages+=(slapd ldap-utils openssl radicale)
      # Cyrus SASL's Kerberos mechanism, which a GSSAPI bind loads at run time.
      packages+=(libsasl2-modules-gssapi-mit)
      # A throw-away Kerberos realm for the GSSAPI bind test (the KDC, kadmin.local and kinit).
      packages+=(krb5-kdc krb5-admin-server krb5-user)
      # An X server without a window manager for the first-activation test of the Qt window.
      packages+=(xvfb)
      ;;
    --windows)
      # The Windows cross build (the -posix compilers: GoogleTest needs std::mutex), Wine to run its
      # tests, and Xvfb, xdotool and ImageMagick for the window smoke test.
      packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine xvfb xauth xdotool imagemagick)
      ;;
    --package)
      # scripts/package.sh and its check: the MSI (wixl, msiinfo, msidump), Authenticode signatures,
      # the zip, the .deb (CPack needs dpkg-shlibdeps; lintian, help2man for the manual pages, the
      # desktop entry's validator) and systemd-analyze for the packaged units.
      packages+=(msitools wixl osslsigncode openssl zip unzip dpkg-dev lintian help2man desktop-file-utils
                 systemd)
      ;;
    *)
      echo "usage: scripts/setup.sh [--tests] [--windows] [--package]" >&2
      exit 64
      ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""; [[ $(id -u) -eq 0 ]] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  # Samba installed here only for the SMB share test, whose own smbd needs port 445 of 127.0.0.1:
  # the system's server that the package starts is stopped and kept from starting again.
  if [[ " ${missing[*]} " == *" samba "* ]] && command -v systemctl >/dev/null && [[ -d /run/systemd/system ]]; then
    $sudo systemctl disable --now smbd nmbd >/dev/null 2>&1 || true
  fi
  # The same for the directory servers: the tests start their own on ports of their own.
  for server in slapd radicale krb5-kdc krb5-admin-server; do
    if [[ " ${missing[*]} " == *" $server "* ]] && command -v systemctl >/dev/null && [[ -d /run/systemd/system ]]; then
      $sudo systemctl disable --now "$server" >/dev/null 2>&1 || true
    fi
  done
fi
# The tests run a second time under a Russian locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
  sudo=""; [[ $(id -u) -eq 0 ]] || sudo="sudo"
  $sudo sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
  $sudo locale-gen >/dev/null
fi
