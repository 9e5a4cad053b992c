#!/usr/bin/env bash
# Formats every C++ file of the project in place (.clang-format).
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -co --exclude-standard '*.cpp' '*.h' | xargs -r clang-format -i
