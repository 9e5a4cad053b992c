#!/usr/bin/env bash
# Configures and builds one flavour of the project into build/<name>.
#   scripts/build.sh [dev|ci|asan|fuzz] [cmake options...]
# TARGETS="a b" builds only those targets (the demo builds what it runs).
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-dev}
shift || true
case "$flavour" in
  dev)  opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  ci)   opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DSENDVIK_WERROR=ON) ;;
  asan) opts=(-DCMAKE_BUILD_TYPE=Debug -DSENDVIK_WERROR=ON -DSENDVIK_SANITIZE=ON -DSENDVIK_BUILD_BENCH=OFF) ;;
  # The fuzz targets with clang's libFuzzer (and their smoke runs as tests).
  fuzz) opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
              -DSENDVIK_FUZZ=ON -DSENDVIK_BUILD_TESTS=OFF -DSENDVIK_BUILD_BENCH=OFF)
        TARGETS=${TARGETS:-fuzz-targets} ;;
  *) echo "unknown build flavour: $flavour" >&2; exit 2 ;;
esac
cmake -S . -B "build/$flavour" -G Ninja "${opts[@]}" "$@" >/dev/null
targets=()
for t in ${TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "build/$flavour" "${targets[@]}"
