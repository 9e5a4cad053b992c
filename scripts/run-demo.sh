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
bash scripts/build.sh dev
home=$PWD/demo-home
run=$PWD/build/demo-servers
# The program expects a Japanese desktop clock, as its users have.
export TZ=${TZ:-Asia/Tokyo}
[ -f "$home/Sendvik.ini" ] || bash scripts/make-demo-profile.sh build/dev "$home"

trap 'scripts/demo-servers.sh stop "$run"' EXIT
scripts/demo-servers.sh start "$home" "$run"
# shellcheck disable=SC1091
. "$run/demo.env"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting under Xvfb (xvfb-run)." >&2
  xvfb-run -a -s "-screen 0 1280x1024x24" build/dev/src/sendvik --home "$home" "$@"
else
  build/dev/src/sendvik --home "$home" "$@"
fi
