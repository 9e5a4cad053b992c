#!/usr/bin/env bash
# The Debian package of a build: made with cpack into a temporary folder, its
# dependencies and contents checked with dpkg-deb, and the programs it holds
# started from an unpacked root.
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
         ./usr/share/applications/sendvik.desktop ./usr/share/icons/hicolor/scalable/apps/sendvik.svg \
         "./usr/bin/sendvik -> ../lib/sendvik/sendvik"; do
  grep -qF "$f" <<<"$contents" || { echo "the package lacks $f"; exit 1; }
done
dpkg-deb -x "$deb" "$out/root"
version=$(HOME="$out/home" "$out/root/usr/bin/sendvik-cli" --version)
[ "$version" = "ZELKOV E-Mail QSL Ver5.12" ] || { echo "sendvik-cli --version said: $version"; exit 1; }
grep -q '^Exec=sendvik$' "$out/root/usr/share/applications/sendvik.desktop"
echo "package: ok ($(basename "$deb"))"
