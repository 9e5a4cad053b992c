#!/usr/bin/env bash
# The Debian package of a build: made with cpack into a temporary folder, its
# dependencies and contents checked with dpkg-deb, and the programs it holds
# started from an unpacked root. Then the setup archive: made, unpacked, its
# installer's silent copy run into a temporary home, the copy started.
set -euo pipefail
build=${1:?build folder}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/sendvik_*_amd64.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "no sendvik_*_amd64.deb made"; ls "$out"; exit 1; }
info=$(dpkg-deb -I "$deb")
for dep in libqt6widgets6 libcurl4 libgmime-3.0-0 libsqlite3-0 libjpeg62-turbo libxlsxwriter4 libqrencode4; do
  grep -q "Depends:.*$dep" <<<"$info" || { echo "Depends lacks $dep"; echo "$info"; exit 1; }
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/lib/sendvik/sendvik ./usr/lib/sendvik/sendvik-cli ./usr/lib/sendvik/sendvik-cli-net \
         ./usr/lib/sendvik/sendvik-setup ./usr/lib/sendvik/libZkwQRCode.so \
         ./usr/share/doc/sendvik/copyright ./usr/share/man/man1/sendvik-cli.1.gz \
         ./usr/share/applications/sendvik.desktop ./usr/share/icons/hicolor/scalable/apps/sendvik.svg \
         "./usr/bin/sendvik -> ../lib/sendvik/sendvik"; do
  grep -qF "$f" <<<"$contents" || { echo "the package lacks $f"; exit 1; }
done
dpkg-deb -x "$deb" "$out/root"
version=$(HOME="$out/home" "$out/root/usr/bin/sendvik-cli" --version)
[ "$version" = "ZELKOV E-Mail QSL Ver5.12" ] || { echo "sendvik-cli --version said: $version"; exit 1; }
grep -q '^Exec=sendvik$' "$out/root/usr/share/applications/sendvik.desktop"
# No ldconfig for a module in the program's private folder, and nothing
# lintian calls an error or a warning.
if dpkg-deb -e "$deb" "$out/control" && grep -qs ldconfig "$out/control/postinst" "$out/control/postrm"; then
  echo "the maintainer scripts run ldconfig"; exit 1
fi
lintian --fail-on error,warning "$deb" >"$out/lintian.log" 2>&1 || { cat "$out/lintian.log"; exit 1; }
echo "package: ok ($(basename "$deb"), lintian clean)"

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
archive=$(bash "$here/../../packaging/make-setup.sh" "$build" "$out/setup" | tail -1)
[ "$(basename "$archive")" = "sendvik-5.12.tgz" ] || { echo "setup archive: $archive"; exit 1; }
mkdir "$out/download"
tar -C "$out/download" -xzf "$archive"
folder="$out/download/sendvik-5.12"
inf=$(iconv -f CP932 -t UTF-8 "$folder/sendvik-setup.inf")
for line in '1=sendvik' '=sendvik-cli' '=libZkwQRCode.so' '=demo_card.mQSL' '1=ZELKOV E-Mail QSL,sendvik' \
            'ZELKOV E-Mail QSL の削除,sendvik-setup,/r'; do
  grep -qF "$line" <<<"$inf" || { echo "sendvik-setup.inf lacks $line"; echo "$inf"; exit 1; }
done
home="$out/home"
mkdir -p "$home"
HOME="$home" XDG_CONFIG_HOME="$home/.config" DISPLAY= SENDVIK_REGISTRY="$home/registry.ini" \
  "$folder/sendvik-setup" c "ZELKOV E-Mail QSL/sendvik/$out/installed"
version=$(HOME="$home" "$out/installed/sendvik-cli" --version)
[ "$version" = "ZELKOV E-Mail QSL Ver5.12" ] || { echo "installed sendvik-cli --version said: $version"; exit 1; }
[ -x "$out/installed/sendvik" ] && [ -f "$out/installed/libZkwQRCode.so" ] ||
  { echo "the copy lacks its programs"; ls -la "$out/installed"; exit 1; }
grep -qF "Exec=\"$out/installed/sendvik\"" "$home/Desktop/ZELKOV E-Mail QSL.desktop" ||
  { echo "no desktop shortcut to the copy"; ls -R "$home"; exit 1; }
# The list is only read: byte for byte and mode as it was shipped.
cmp -s "$folder/sendvik-setup.inf" <(tar -xzOf "$archive" sendvik-5.12/sendvik-setup.inf) ||
  { echo "the installer rewrote its file list"; exit 1; }
[ "$(stat -c %a "$folder/sendvik-setup.inf")" = 644 ] || { echo "list mode: $(stat -c %a "$folder/sendvik-setup.inf")"; exit 1; }
# Another user (when the test can be one): the same setup folder installs for
# them too; into a folder they may not write, the run fails, naming the files.
if [ "$(id -u)" = 0 ] && id nobody >/dev/null 2>&1; then
  chmod -R a+rX "$out"
  other="$out/other"
  mkdir -p "$other/home" && chown nobody "$other" "$other/home"
  setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups env HOME="$other/home" DISPLAY= \
    SENDVIK_REGISTRY="$other/home/registry.ini" \
    "$folder/sendvik-setup" c "ZELKOV E-Mail QSL/sendvik/$other/installed" ||
    { echo "another user's silent copy failed"; exit 1; }
  [ -x "$other/installed/sendvik" ] || { echo "another user's copy lacks its programs"; exit 1; }
  mkdir -p "$other/locked" && chmod 555 "$other/locked"
  if setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups env HOME="$other/home" DISPLAY= \
    SENDVIK_REGISTRY="$other/home/registry.ini" \
    "$folder/sendvik-setup" c "ZELKOV E-Mail QSL/sendvik/$other/locked" 2>"$out/err"; then
    echo "a copy into a folder the user may not write reported success"; exit 1
  fi
  grep -q 'にコピーできませんでした' "$out/err" || { cat "$out/err"; exit 1; }
fi
# Wrong input says what is wrong and fails.
if DISPLAY= "$folder/sendvik-setup" c "nothing" 2>"$out/err"; then echo "copy mode took a bad request"; exit 1; fi
grep -q 'NAME/PROGRAM/FOLDER' "$out/err" || { cat "$out/err"; exit 1; }
echo "setup archive: ok ($(basename "$archive"))"
