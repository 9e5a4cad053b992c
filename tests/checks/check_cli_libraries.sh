#!/usr/bin/env bash
# sendvik-cli must start without the network and MIME libraries (they belong
# to sendvik-cli-net), so that drawing a card loads only what it uses.
set -euo pipefail
needed=$(readelf -d "$1" | grep NEEDED || true)
if grep -E 'libcurl|libgmime|libgpgme|libssl' <<<"$needed"; then
  echo "$1 links a network or MIME library" >&2
  exit 1
fi
grep -q 'libQt6Gui' <<<"$needed"
