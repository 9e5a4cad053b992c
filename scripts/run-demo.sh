#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the demo
# profile in demo-home/ (made on first use).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh dev
home=$PWD/demo-home
# The program expects a Japanese desktop clock, as its users have.
export TZ=${TZ:-Asia/Tokyo}
[ -f "$home/Sendvik.ini" ] || bash scripts/make-demo-profile.sh build/dev "$home"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting under Xvfb (xvfb-run)." >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" build/dev/src/sendvik --home "$home" "$@"
fi
exec build/dev/src/sendvik --home "$home" "$@"
