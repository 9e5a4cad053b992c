#!/usr/bin/env bash
# The demo's round trip, headless: makes the demo profile, starts its servers
# on loopback, and does what demo/README.md walks through: the partner
# stations mail their cards, JS2IIU sends the window's first batch, every
# station receives, the cards are matched and marked, the near miss is
# explained, the areas are tallied and a card is sent again. Every step must
# show something.
#   check_demo.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d /tmp/sendvik-demo-check.XXXXXX)
home=$work/demo-home
run=$work/run
cd "$root"
trap 'scripts/demo-servers.sh stop "$run" >/dev/null 2>&1; rm -rf "$work"' EXIT
export TZ=Asia/Tokyo
# Ports of their own: a demo may run meanwhile.
export SENDVIK_DEMO_PORTS=12000
fail() {
  echo "demo round trip: $*" >&2
  exit 1
}
# cli STATION-FOLDER ARGS...: stdout and stderr together in $out.
cli() {
  local folder=$1
  shift
  out=$("$build/src/sendvik-cli" --home "$folder" "$@" 2>&1) || fail "sendvik-cli $* ($folder): $out"
}
has() { grep -q -- "$2" <<<"$out" || fail "$1: no \"$2\" in:"$'\n'"$out"; }
# Postfix delivers in its own time: waits for N mails in the station's box.
mails() {
  local i
  for i in $(seq 100); do
    cli "$1" mail list
    [ "$(($(wc -l <<<"$out") - 1))" -ge "$2" ] && return 0
    sleep 0.1
  done
  fail "$1: fewer than $2 mails arrived"
}

bash scripts/make-demo-profile.sh "$build" "$home" >"$work/profile.log" 2>&1 ||
  fail "the profile was not made:"$'\n'"$(cat "$work/profile.log")"
scripts/demo-servers.sh start "$home" "$run" >"$work/servers.log" 2>&1 ||
  fail "the servers did not start:"$'\n'"$(cat "$work/servers.log")"
[ -f "$run/mail.env" ] || fail "the mail servers did not start (they need root)"

# The partner stations mail their cards to JS2IIU, without a user list.
cli "$home/JA4FJR" send 1 9 --yes
has "JA4FJR's cards" "sent=3"
cli "$home/JH3KMT" send 1 9 --yes
has "JH3KMT's cards" "sent=3"
# JS2IIU's first batch: the range the window offers, every card looked over.
first=$("$build/src/sendvik-cli" --home "$home" settings get Config Recno1)
last=$("$build/src/sendvik-cli" --home "$home" log count)
cli "$home" send --check "$first" "$last"
has "the batch check" "problems=0"
cli "$home" send "$first" "$last" --yes
has "JS2IIU's batch" "JS2IIU_.*_JA4FJR.jpg\|sent=[1-9]"
[ "$(find "$home/送信" -name 'JS2IIU_*_JA4FJR.jpg' | wc -l)" -eq 3 ] || fail "JA4FJR's cards not filed"

# Each station receives.
mails "$home" 6
cli "$home" receive --yes
has "JS2IIU's mail" "cards=6"
mails "$home/JA4FJR" 3
cli "$home/JA4FJR" receive --yes
has "JA4FJR's mail" "cards=3"
mails "$home/JH3KMT" 3
cli "$home/JH3KMT" receive --yes
has "JH3KMT's mail" "cards=3"

# Matched, marked, tallied; the card that came nine hours off explained.
cli "$home" match --write-marks --confirm-areas
has "JS2IIU's marks" "written=3"
has "JS2IIU's areas" "areas=3"
cli "$home/JA4FJR" match --write-marks --confirm-areas
has "JA4FJR's marks" "written=3"
cli "$home" match --explain
has "the near miss" "JH3KMT_.*_JS2IIU.jpg"
has "the near miss" "9時間"
cli "$home" match --explain --force-common
has "the forced match" "renamed=3"
cli "$home" match --write-marks --confirm-areas
has "JH3KMT's marks" "written=3"
cli "$home" confirm --view 1 --xlsx "$work/tally.xlsx"
has "the tally" "3102,Kurashiki,JA4FJR"
has "the tally" "2504,Toyonaka,JH3KMT"
[ -s "$work/tally.xlsx" ] || fail "no spreadsheet"
cli "$home/JA4FJR" confirm --view 1
has "JA4FJR's tally" "180201,Naka,JS2IIU"
cli "$home" sent-list --unreceived
has "the unreceived cards" "個の送信済み電子QSL（未受領＝[1-9]"
! grep -q "_JA4FJR.jpg\|_JH3KMT.jpg" <<<"$out" || fail "cards that came back listed as unreceived"

# A card sent again from the sent list reaches its station once more.
card=$(find "$home/送信" -name 'JS2IIU_*_JA4FJR.jpg' | sort | head -1)
cli "$home" resend "$card" --yes
mails "$home/JA4FJR" 1
cli "$home/JA4FJR" receive --yes
has "the card sent again" "cards=1"
echo "demo round trip: every step showed something"
