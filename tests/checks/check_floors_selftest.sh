#!/usr/bin/env bash
# The floor check itself, on scratch trees: a clean tree passes; an include
# that runs upwards, a window header outside ui/, a ui/ folder reaching a
# higher floor and a folder without a floor each fail with their file named.
#   check_floors_selftest.sh CHECK_SCRIPT
set -euo pipefail
check=${1:?check_floors.sh}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

tree() {
  rm -rf "$scratch/src"
  mkdir -p "$scratch/src"/{core,render/ui,app/ui,cli}
  printf '#pragma once\n' > "$scratch/src/core/zkw_ini.h"
  printf '#pragma once\n#include "core/zkw_ini.h"\n#include <QString>\n' > "$scratch/src/render/card.h"
  printf '#include "render/card.h"\n#include "core/zkw_ini.h"\n' > "$scratch/src/render/ui/view.cpp"
  printf '#pragma once\n' > "$scratch/src/render/ui/view.h"
  printf '#include "render/ui/view.h"\n#include "app/state.h"\n' > "$scratch/src/app/ui/main_window.cpp"
  printf '#pragma once\n#include "render/card.h"\n' > "$scratch/src/app/state.h"
  printf '#include "app/ui/main_window.h"\n' > "$scratch/src/app/sendvik_main.cpp"
  printf '#pragma once\n' > "$scratch/src/app/ui/main_window.h"
  printf '#include "app/state.h"\n#include "widget.moc"\n' > "$scratch/src/cli/main.cpp"
}

expect_fail() {  # what it is about, the text the failure must name
  local out
  if out=$(bash "$check" "$scratch/src" 2>&1); then
    echo "FAIL: the check passed with $1"
    exit 1
  fi
  if ! grep -qF "$2" <<<"$out"; then
    echo "FAIL: the check did not name '$2' for $1:"
    echo "$out"
    exit 1
  fi
}

tree
bash "$check" "$scratch/src" >/dev/null || { echo "FAIL: a clean tree did not pass"; exit 1; }

tree
printf '#include "app/state.h"\n' >> "$scratch/src/core/zkw_ini.h"
expect_fail "core including app" "core/zkw_ini.h:2: core (floor 2) includes app/state.h (floor 11)"

tree
printf '#include "render/ui/view.h"\n' >> "$scratch/src/render/card.h"
expect_fail "a window header in the core" "render/card.h:4: includes the window header render/ui/view.h"

tree
printf '#include "app/ui/main_window.h"\n' >> "$scratch/src/cli/main.cpp"
expect_fail "a window header in the command line" "cli/main.cpp:3: includes the window header"

tree
printf '#include "app/state.h"\n' >> "$scratch/src/render/ui/view.cpp"
expect_fail "a ui folder reaching up" "render/ui/view.cpp:3: render (floor 6) includes app/state.h"

tree
mkdir -p "$scratch/src/extras"
printf '#pragma once\n' > "$scratch/src/extras/x.h"
expect_fail "a folder without a floor" "extras/x.h: folder 'extras' has no floor"

echo "floor check self-test: ok"
