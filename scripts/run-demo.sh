#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the demo
# profile in demo-home/ (made on first use), with its servers on loopback:
# the mail servers (Postfix and Dovecot; they need root) with the mail
# accounts of JS2IIU and its partner stations JA4FJR and JH3KMT, and the
# reference service server.
#   run-demo.sh [STATION] [program options]
# STATION is JS2IIU (the default), JA4FJR or JH3KMT: the window of that
# station. The first run-demo.sh starts the servers and stops them when its
# window closes; one started while they run uses them and leaves them be.
set -euo pipefail
cd "$(dirname "$0")/.."
station=JS2IIU
case "${1:-}" in
  JS2IIU | JA4FJR | JH3KMT) station=$1; shift ;;
  js2iiu | ja4fjr | jh3kmt) station=$(tr '[:lower:]' '[:upper:]' <<<"$1"); shift ;;
esac
home=$PWD/demo-home
run=$PWD/build/demo-servers
window=$home
[ "$station" = JS2IIU ] || window=$home/$station
# The program expects a Japanese desktop clock, as its users have.
export TZ=${TZ:-Asia/Tokyo}
cli=(build/dev/src/sendvik-cli)

servers_up() {
  [ -f "$run/novq.env" ] && (
    # shellcheck disable=SC1091
    . "$run/novq.env"
    kill -0 "$NOVQ_PID" 2>/dev/null
  )
}

if servers_up; then
  echo "The demo's servers already run (another run-demo.sh): using them." >&2
  [ -x build/dev/src/sendvik ] || { echo "Build first: scripts/run-demo.sh" >&2; exit 1; }
else
  bash scripts/install-deps.sh
  # Only what the demo runs; the test command builds the rest.
  TARGETS="sendvik sendvik-cli sendvik-cli-net zkwin-sim ZkwQRCode sendvik-setup" \
    bash scripts/build.sh dev
  # The service's home page offers this build's setup archive as the new
  # version: the about box's download unpacks it and starts its installer.
  export NOVQ_SETUP_ARCHIVE
  NOVQ_SETUP_ARCHIVE=$(bash packaging/make-setup.sh build/dev build/dev/setup | tail -1)
  [ -f "$home/JH3KMT/Sendvik.ini" ] || {
    [ ! -d "$home" ] || {
      echo "demo-home/ is from an older demo: moved to demo-home.old/." >&2
      rm -rf "$home.old"
      mv "$home" "$home.old"
    }
    bash scripts/make-demo-profile.sh build/dev "$home"
  }
  # The logging program beside it: zkwin-sim serving the demo log, showing its
  # last QSO (its ZELKOV menu then works; zkwin-sim --request -997 'CALL\n'
  # asks for a station's cards from a terminal).
  mkdir -p "$run/link"
  SENDVIK_LINK_DIR=$run/link build/dev/tools/zkwin-sim --serve --log "$home/ZELKOV.mst" \
    >"$run/zkwin-sim.log" 2>&1 &
  sim=$!
  trap 'kill "$sim" 2>/dev/null; scripts/demo-servers.sh stop "$run"' EXIT
  scripts/demo-servers.sh start "$home" "$run"
  if [ -f "$run/mail.env" ]; then
    # The partner stations mail JS2IIU the cards of their QSOs with it, on the
    # demo's first start only (their sent folders keep what went).
    for partner in JA4FJR JH3KMT; do
      if [ -n "$(ls -A "$home/$partner/送信" 2>/dev/null)" ]; then
        echo "$partner: its cards went out at an earlier start." >&2
      elif sent=$("${cli[@]}" --home "$home/$partner" send 1 9 --yes 2>"$run/$partner-send.log"); then
        echo "$partner: $(grep -o 'sent=[0-9]*' <<<"$sent") card(s) mailed to JS2IIU." >&2
      else
        echo "$partner: no card mailed (see $run/$partner-send.log)." >&2
      fi
    done
  fi
fi
[ "$station" = JS2IIU ] && export SENDVIK_LINK_DIR=$run/link

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting under Xvfb (xvfb-run)." >&2
  xvfb-run -a -s "-screen 0 1280x1024x24" build/dev/src/sendvik --home "$window" "$@"
else
  build/dev/src/sendvik --home "$window" "$@"
fi
