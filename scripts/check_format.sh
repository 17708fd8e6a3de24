#!/usr/bin/env bash
# Fails when a C++ source of the repository differs from what clang-format makes of it (.clang-format),
# naming the files; `scripts/check_format.sh --fix` formats them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == "--fix" ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
clang-format --dry-run --Werror "${files[@]}"
