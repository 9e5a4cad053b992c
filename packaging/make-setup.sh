#!/usr/bin/env bash
# Makes the setup folder of a build and its archive, the form in which a new
# version is offered for download:
#   make-setup.sh BUILD_DIR OUT_DIR
#     OUT_DIR/sendvik-VERSION/      sendvik-setup, its file list sendvik-setup.inf,
#                                   the programs, the QR-code module, the demo
#                                   definition and the icon (from cmake --install)
#     OUT_DIR/sendvik-VERSION.tgz   that folder as a gzip-compressed tar
# The archive's name keeps within the 16 characters a download name may have.
set -euo pipefail
build=$(cd "${1:?usage: make-setup.sh BUILD_DIR OUT_DIR}" && pwd)
out=${2:?usage: make-setup.sh BUILD_DIR OUT_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "make-setup: no project version in $build/CMakeCache.txt" >&2; exit 1; }
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage/root" --strip >"$stage/install.log" 2>&1 ||
  { cat "$stage/install.log" >&2; exit 1; }
setup=$(find "$stage/root" -type f -name sendvik-setup | head -1)
programs=$(dirname "${setup:-/nonexistent/x}")
[ -x "$programs/sendvik" ] && [ -x "$programs/sendvik-setup" ] ||
  { echo "make-setup: the install lacks the programs (sendvik, sendvik-setup)" >&2; exit 1; }

name=sendvik-$version
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "${out:?}/$name" "$out/$name.tgz"
mkdir "$out/$name"
cp -p "$programs"/* "$out/$name/"
cp -p "$here/sendvik.svg" "$out/$name/"

# The file list: the program first (an uninstall that cannot delete it stops
# there), then every other file; the installer copies itself and this list.
{
  printf '[Install]\r\n'
  n=1
  printf '%d=sendvik\r\n' $n
  for f in $(cd "$out/$name" && ls | LC_ALL=C sort); do
    case "$f" in sendvik|sendvik-setup|sendvik-setup.inf) continue ;; esac
    n=$((n + 1))
    printf '%d=%s\r\n' $n "$f"
  done
  printf '[Group]\r\n'
  printf '1=ZELKOV E-Mail QSL,sendvik\r\n'
  printf '2=ZELKOV E-Mail QSL の削除,sendvik-setup,/r\r\n'
} | iconv -f UTF-8 -t CP932 > "$out/$name/sendvik-setup.inf"

tar -C "$out" --owner=0 --group=0 --numeric-owner -czf "$out/$name.tgz" "$name"
echo "$out/$name.tgz"
