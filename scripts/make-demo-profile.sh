#!/usr/bin/env bash
# Makes the demo program folder: make-demo-profile.sh BUILD_DIR HOME_DIR
# SENDVIK_DEMO_PORTS (11000) moves the servers' ports (see demo-servers.sh).
set -euo pipefail
ports=${SENDVIK_DEMO_PORTS:-11000}
cd "$(dirname "$0")/.."
build=${1:?build folder}
home=${2:?home folder}
cli=("$build/src/sendvik-cli" --home "$home")
mkdir -p "$home"
# The contacts with the two partner stations, dated the days before today,
# with the partners' own logs of them (demo/make_demo_log.py --partners).
mkdir -p "$home/demo-logs"
python3 demo/make_demo_log.py --partners "$home/demo-logs"
logs=(tests/data/adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi demo/demo_log.adi
  "$home/demo-logs/js2iiu_partners.adi")
for log in "${logs[@]}"; do "${cli[@]}" log import "$log" >/dev/null; done
# Every partner of the log takes part, but for one in ten of the season's;
# the two partner stations with program folders of their own always do.
{
  printf '%s\r\n' "$(date +%Y/%m/01)"
  grep -ho '<CALL:[0-9]*>[A-Z0-9/]*' "${logs[@]}" | sed 's/.*>//' | sort -u | awk 'NR % 10 != 3' \
    | sed 's/$/\r/'
  printf 'JS2IIU\r\nJA4FJR\r\nJH3KMT\r\n'
} > "$home/UserList.usr"
"$build/tools/zkwin-sim" --open-userlist "$home/UserList.usr" >/dev/null
cp demo/RigAnt.dat "$home/RigAnt.dat"
cp demo/QslMessage.txt "$home/QslMessage.txt"
# A station's photo and accounts on the demo's servers:
#   station FOLDER CALL MAIL-PASSWORD SERVICE-PASSWORD
station() {
  local run=("$build/src/sendvik-cli" --home "$1") mail
  mail=$(tr '[:upper:]' '[:lower:]' <<<"$2")@qsl.test
  cp demo/dune_1680x1050_landscape.jpg "$1/photo.jpg"
  "${run[@]}" settings set Config Jpeg photo.jpg
  # The card in the definition language, drawn when "QSL定義" is ticked.
  cp demo/demo_card.mQSL "$1/demo_card.mQSL"
  "${run[@]}" settings set QslDef mQSL demo_card.mQSL
  "${run[@]}" settings set Option Calls "$2"
  "${run[@]}" settings set Option MailAdd "$mail"
  "${run[@]}" settings set Option SmtpName localhost
  "${run[@]}" settings set Option SmtpPort $((ports + 465))
  "${run[@]}" settings set Option Pop3Name localhost
  "${run[@]}" settings set Option Pop3Port $((ports + 995))
  "${run[@]}" settings set Option CaFile "$home/demo-ca.crt"
  "${run[@]}" settings words-set Option Pass1 "$3"
  "${run[@]}" settings words-set Option Pass2 "$4"
  # The demo's service server (scripts/demo-servers.sh starts it on this port).
  "${run[@]}" settings set Server Base "https://localhost:$((ports + 443))/"
  "${run[@]}" settings set Server Base2 "https://localhost:$((ports + 443))/"
}
station "$home" JS2IIU demo-mail-password demo-novq-password
# The window's range: the last twenty QSOs, the partner stations' among them.
"${cli[@]}" settings set Config Recno1 $(($("${cli[@]}" log count) - 19))
"${cli[@]}" settings set Config CallXY 12,8,16,58
"${cli[@]}" settings set Config Pos 40,30,640,760
"${cli[@]}" settings set Potbl Po0 "静岡県浜松市"
"${cli[@]}" settings set Potbl Po1 "静岡県磐田市 移動"
"${cli[@]}" settings set Remarks Rm0 "TNX FB QSO!"
"${cli[@]}" settings set Kankyo OpName0 "Op. Ken<BR>Hamamatsu, Shizuoka"
# The areas of Japan (JARL's city, county and ward lists), for the tally by area.
areas() {
  for list in tests/data/areas/jarl_*_list_*.txt; do
    "$build/src/sendvik-cli" --home "$1" areas import "$list" >/dev/null
  done
}
areas "$home"
# The reference service server's members: this station, and every station of
# the user list, registered with the logging program and taking part. The
# mail of the two partner stations lands in their own mailboxes, every other
# station's in one mailbox, "others".
python3 - "$home/UserList.usr" "$home/novq-users.json" <<'PY'
import json, sys
calls = [l.strip() for l in open(sys.argv[1], encoding="ascii").read().splitlines()[1:] if l.strip()]
users = {c: {"password": "demo", "address": c.replace("/", "-").lower() + "@qsl.test", "edit": True}
         for c in calls}
users["JS2IIU"] = {"password": "demo-novq-password", "address": "js2iiu@qsl.test", "edit": True}
json.dump(users, open(sys.argv[2], "w"), indent=1)
PY
# The two partner stations, each in a program folder of its own inside the
# first, with its own log of the QSOs with JS2IIU, and no user list (the
# service's answers decide who takes part). JH3KMT logged Japan time as UTC.
for partner in JA4FJR JH3KMT; do
  lower=$(tr '[:upper:]' '[:lower:]' <<<"$partner")
  mkdir -p "$home/$partner"
  "$build/src/sendvik-cli" --home "$home/$partner" log import "$home/demo-logs/${lower}_log.adi" \
    >/dev/null
  station "$home/$partner" "$partner" "demo-$lower" demo
  areas "$home/$partner"
done
echo "demo profile made in $home (the partner stations in $home/JA4FJR and $home/JH3KMT)" >&2
