#!/usr/bin/env bash
# The source folders are floors: a folder includes only itself and the floors
# below it. A ui/ folder may include the core folders and the ui/ folders of
# its own floor and below; outside ui/ folders only the program entries
# (app/*_main.cpp, setup/*_main.cpp) include windows. A folder that is not in the table fails, so a
# new folder gets its floor here and in DESIGN together.
#   check_floors.sh SRC_DIR
set -euo pipefail
src=${1:?source folder}

declare -A floor=(
  [platform]=1
  [core]=2
  [logdata]=3
  [settings]=4
  [mail]=5
  [render]=6
  [server]=7
  [exchange]=8
  [archive]=9
  [link]=10
  [app]=11
  [setup]=12
  [cli]=12
)

# The floor folder of a path inside src ("render/ui/view_jpg.h" -> render),
# and whether it lies in a ui/ folder.
top_of() { echo "${1%%/*}"; }
in_ui() { [[ "$1" == */ui/* ]]; }

status=0
fail() {
  echo "$1"
  status=1
}

cd "$src"
while IFS= read -r file; do
  folder=$(top_of "$file")
  if [ -z "${floor[$folder]+x}" ]; then
    fail "$file: folder '$folder' has no floor"
    continue
  fi
  own=${floor[$folder]}
  # Quoted includes naming a folder: "core/zkw_ini.h".
  while IFS=: read -r line target; do
    [[ "$target" == */* ]] || continue
    to=$(top_of "$target")
    [ -f "$target" ] || [ -n "${floor[$to]+x}" ] || continue  # not one of ours
    if [ -z "${floor[$to]+x}" ]; then
      fail "$file:$line: includes $target from a folder with no floor"
      continue
    fi
    theirs=${floor[$to]}
    if [ "$to" != "$folder" ] && [ "$theirs" -ge "$own" ]; then
      fail "$file:$line: $folder (floor $own) includes $target (floor $theirs)"
    fi
    if in_ui "$target" && ! in_ui "$file" && ! [[ "$file" =~ ^(app|setup)/[^/]*_main\.cpp$ ]]; then
      fail "$file:$line: includes the window header $target outside a ui/ folder"
    fi
  done < <(grep -nE '^\s*#\s*include\s*"[^"]+"' "$file" | sed -E 's/^([0-9]+):.*"([^"]+)".*/\1:\2/')
done < <(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort)

[ $status -eq 0 ] && echo "floors: ok"
exit $status
