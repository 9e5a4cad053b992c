#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the demo
# profile in demo-home/ (made on first use), with its servers on loopback:
# the mail servers (Postfix and Dovecot; they need root) where JS2IIU's mail
# account lives and a second station, JA4FJR, collects the mail of every other
# station, and the reference service server. The servers stop when the
# program ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Only what the demo runs; the test command builds the rest.
TARGETS="sendvik sendvik-cli sendvik-cli-net zkwin-sim ZkwQRCode sendvik-setup" bash scripts/build.sh dev
# The service's home page offers this build's setup archive as the new
# version: the about box's download unpacks it and starts its installer.
export NOVQ_SETUP_ARCHIVE
NOVQ_SETUP_ARCHIVE=$(bash packaging/make-setup.sh build/dev build/dev/setup | tail -1)
home=$PWD/demo-home
run=$PWD/build/demo-servers
# The program expects a Japanese desktop clock, as its users have.
export TZ=${TZ:-Asia/Tokyo}
[ -f "$home/Sendvik.ini" ] || bash scripts/make-demo-profile.sh build/dev "$home"

# The logging program beside it: zkwin-sim serving the demo log, showing its
# last QSO (its ZELKOV menu then works; zkwin-sim --request -997 'CALL\n' asks
# for a station's cards from a terminal).
export SENDVIK_LINK_DIR=$run/link
mkdir -p "$SENDVIK_LINK_DIR"
build/dev/tools/zkwin-sim --serve --log "$home/ZELKOV.mst" >"$run/zkwin-sim.log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null; scripts/demo-servers.sh stop "$run"' EXIT
scripts/demo-servers.sh start "$home" "$run"
# Both stations' settings name the demo's service server, so that the
# command line finds it too: sendvik-cli --home demo-home server whoami
# shellcheck disable=SC1091
. "$run/demo.env"
for h in "$home" "$home/JA4FJR"; do
  for key in Base Base2; do
    build/dev/src/sendvik-cli --home "$h" settings set Server "$key" "$SENDVIK_SERVER_BASE"
  done
done
unset SENDVIK_SERVER_BASE SENDVIK_SERVER_BASE2

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting under Xvfb (xvfb-run)." >&2
  xvfb-run -a -s "-screen 0 1280x1024x24" build/dev/src/sendvik --home "$home" "$@"
else
  build/dev/src/sendvik --home "$home" "$@"
fi
