#!/usr/bin/env bash
# Makes the demo program folder: make-demo-profile.sh BUILD_DIR HOME_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
home=${2:?home folder}
cli=("$build/src/sendvik-cli" --home "$home")
mkdir -p "$home"
"${cli[@]}" log import tests/data/adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi >/dev/null
{
  printf '2025/11/01\r\n'
  grep -o '<CALL:[0-9]*>[A-Z0-9/]*' tests/data/adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi \
    | sed 's/.*>//' | sort -u | sed 's/$/\r/'
  printf 'JS2IIU\r\n'
} > "$home/UserList.usr"
"$build/tools/zkwin-sim" --open-userlist "$home/UserList.usr" >/dev/null
cp demo/RigAnt.dat "$home/Rigant.dat"
cp demo/QslMessage.txt "$home/QslMessage.txt"
cp tests/data/jpeg/tower_baseline.jpg "$home/photo.jpg"
"${cli[@]}" settings set Config Jpeg photo.jpg
"${cli[@]}" settings set Option Calls JS2IIU
"${cli[@]}" settings set Option MailAdd js2iiu@qsl.test
"${cli[@]}" settings set Config Recno1 1
echo "demo profile made in $home" >&2
