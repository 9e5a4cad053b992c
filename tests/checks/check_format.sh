#!/usr/bin/env bash
# Every C++ file follows .clang-format.
set -euo pipefail
clang_format=${1:?clang-format}
root=${2:?project root}
cd "$root"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests tools bench -name '*.cpp' -o -name '*.h')
[ -n "$files" ] || { echo "format: no files"; exit 0; }
# shellcheck disable=SC2086
"$clang_format" --dry-run --Werror $files
echo "format: ok"
