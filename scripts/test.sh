#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in the normal
# build (warnings are errors) and in the AddressSanitizer + UBSan build; then
# gives every fuzz target a short run on its corpus (the clang fuzz build).
#   scripts/test.sh                 all three builds
#   scripts/test.sh ci|asan|fuzz    some of them
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

flavours=("$@")
[ ${#flavours[@]} -gt 0 ] || flavours=(ci asan fuzz)

export TZ=Asia/Tokyo
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for flavour in "${flavours[@]}"; do
  echo "=== build: $flavour"
  bash scripts/build.sh "$flavour"
  echo "=== tests: $flavour"
  if ! ctest --test-dir "build/$flavour" --output-on-failure -j2 --timeout 600; then
    status=1
  fi
done
exit $status
