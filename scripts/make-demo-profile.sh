#!/usr/bin/env bash
# Makes the demo program folder: make-demo-profile.sh BUILD_DIR HOME_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
home=${2:?home folder}
cli=("$build/src/sendvik-cli" --home "$home")
mkdir -p "$home"
logs=(tests/data/adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi demo/demo_log.adi)
for log in "${logs[@]}"; do "${cli[@]}" log import "$log" >/dev/null; done
# Every partner of the log takes part, but for one in ten of the season's.
{
  printf '%s\r\n' "$(date +%Y/%m/01)"
  grep -ho '<CALL:[0-9]*>[A-Z0-9/]*' "${logs[@]}" | sed 's/.*>//' | sort -u | awk 'NR % 10 != 3' \
    | sed 's/$/\r/'
  printf 'JS2IIU\r\n'
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
  "${run[@]}" settings set Option SmtpPort 11465
  "${run[@]}" settings set Option Pop3Name localhost
  "${run[@]}" settings set Option Pop3Port 11995
  "${run[@]}" settings set Option CaFile "$home/demo-ca.crt"
  "${run[@]}" settings words-set Option Pass1 "$3"
  "${run[@]}" settings words-set Option Pass2 "$4"
}
station "$home" JS2IIU demo-mail-password demo-novq-password
"${cli[@]}" settings set Config Recno1 1
"${cli[@]}" settings set Config CallXY 12,8,16,58
"${cli[@]}" settings set Config Pos 40,30,640,760
"${cli[@]}" settings set Potbl Po0 "静岡県浜松市"
"${cli[@]}" settings set Potbl Po1 "静岡県磐田市 移動"
"${cli[@]}" settings set Remarks Rm0 "TNX FB QSO!"
"${cli[@]}" settings set Kankyo OpName0 "Op. Ken<BR>Hamamatsu, Shizuoka"
# The areas of Japan (JARL's city, county and ward lists), for the tally by area.
for list in tests/data/areas/jarl_*_list_*.txt; do
  "${cli[@]}" areas import "$list" >/dev/null
done
# The reference service server's members: this station, and every station of
# the user list, whose mail all lands in the second station's (JA4FJR) mailbox.
python3 - "$home/UserList.usr" "$home/novq-users.json" <<'PY'
import json, sys
calls = [l.strip() for l in open(sys.argv[1], encoding="ascii").read().splitlines()[1:] if l.strip()]
users = {c: {"password": "demo", "address": c.replace("/", "-").lower() + "@qsl.test"} for c in calls}
users["JS2IIU"] = {"password": "demo-novq-password", "address": "js2iiu@qsl.test"}
users["JA4FJR"] = {"password": "demo", "address": "ja4fjr@qsl.test"}
json.dump(users, open(sys.argv[2], "w"), indent=1)
PY
# The second station, JA4FJR, in a program folder of its own inside the
# first: every card JS2IIU sends lands in its mailbox.
mkdir -p "$home/JA4FJR"
cp "$home/UserList.usr" "$home/JA4FJR/UserList.usr"
station "$home/JA4FJR" JA4FJR demo-ja4fjr demo
echo "demo profile made in $home (the second station in $home/JA4FJR)" >&2
