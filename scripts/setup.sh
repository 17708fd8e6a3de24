#!/usr/bin/env bash
# Installs the Debian packages the project needs, skipping those already there.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libicu-dev googletest libgtest-dev libgmock-dev
          libbenchmark-dev libcli11-dev fonts-dejavu-core locales)
for option in "$@"; do
  case "$option" in
    --tests)
      # Independent dBase readers the interop tests run on tables the engine writes.
      packages+=(python3-dbfread gdal-bin)
      # The report tests open the page in a real browser, headless.
      packages+=(chromium)
      # The fuzz targets: clang with its libFuzzer and sanitizer runtimes.
      packages+=(clang libclang-rt-14-dev)
      ;;
    --windows)
      # The Windows cross build (the -posix compilers: GoogleTest needs std::mutex), Wine to run its
      # tests, and Xvfb, xdotool and ImageMagick for the window smoke test.
      packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine xvfb xauth xdotool imagemagick)
      ;;
    *)
      echo "usage: scripts/setup.sh [--tests] [--windows]" >&2
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
fi
# The tests run a second time under a Russian locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
  sudo=""; [[ $(id -u) -eq 0 ]] || sudo="sudo"
  $sudo sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
  $sudo locale-gen >/dev/null
fi
