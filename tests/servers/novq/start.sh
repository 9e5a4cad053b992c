#!/usr/bin/env bash
# Starts the reference service server (tools/novq_server) over HTTPS on a
# loopback port, with its own test CA, a small user database and a download.
#   start.sh ENV_FILE      writes "export NAME=value" lines for the tests there:
#     NOVQ_BASE (https://localhost:PORT/), NOVQ_CA, NOVQ_USERS (the database,
#     re-read on every request), NOVQ_LOG (one JSON line per request),
#     NOVQ_DIR, NOVQ_PID
# Settings (environment): NOVQ_PORT [0: any free port], NOVQ_BUILD_DATE,
# NOVQ_USERS_FILE [the test stations below: a user database to start from],
# NOVQ_SETUP_ARCHIVE [a stand-in file: the setup archive the home page offers,
# e.g. build/dev/setup/sendvik-5.12.tgz].
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
env_file=${1:?usage: start.sh ENV_FILE}
: "${NOVQ_PORT:=0}" "${NOVQ_BUILD_DATE:=2026/01/15}"
for f in /usr/bin/python3 /usr/bin/openssl; do
  [ -x "$f" ] || { echo "novq server: $f missing: run scripts/install-deps.sh" >&2; exit 1; }
done
dir=$(mktemp -d /tmp/sendvik-novq.XXXXXX)
mkdir -p "$dir/tls" "$dir/soft"
"$here/../make-test-ca.sh" "$dir/tls" "Sendvik service test CA"
rm -f "$dir/tls/ca.key"
# The stations of the tests (the mail servers' users), or the caller's.
if [ -n "${NOVQ_USERS_FILE:-}" ]; then
  cp "$NOVQ_USERS_FILE" "$dir/users.json"
else
cat > "$dir/users.json" <<'JSON'
{
 "JR1ABC": {"password": "novq-a", "address": "jr1abc@qsl.test"},
 "JR2XYZ": {"password": "novq-b", "address": "jr2xyz@qsl.test", "edit": true},
 "JH3AAA": {"password": "novq-c", "address": ""},
 "JA7BAD": {"password": "novq-d", "address": "ja7bad@bounce.test"}
}
JSON
fi
# The new version offered: the setup archive, or a stand-in for a setup program.
if [ -n "${NOVQ_SETUP_ARCHIVE:-}" ]; then
  download=$(basename "$NOVQ_SETUP_ARCHIVE")
  cp "$NOVQ_SETUP_ARCHIVE" "$dir/soft/$download"
else
  download=SendvikSetup.exe
  head -c 300000 /dev/urandom > "$dir/soft/$download"
fi
python3 "$root/tools/novq_server/novq_server.py" --port "$NOVQ_PORT" \
  --cert "$dir/tls/server.crt" --key "$dir/tls/server.key" --users "$dir/users.json" \
  --data "$dir" --log "$dir/requests.log" --build-date "$NOVQ_BUILD_DATE" --download "$download" \
  --port-file "$dir/port" > "$dir/server.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
  [ -s "$dir/port" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$dir/server.log" >&2; exit 1; }
  sleep 0.05
done
[ -s "$dir/port" ] || { echo "novq server: did not start" >&2; kill "$pid"; exit 1; }
port=$(cat "$dir/port")
cat > "$env_file" <<EOF2
export NOVQ_BASE=https://localhost:$port/
export NOVQ_CA=$dir/tls/ca.crt
export NOVQ_USERS=$dir/users.json
export NOVQ_LOG=$dir/requests.log
export NOVQ_DIR=$dir
export NOVQ_PID=$pid
EOF2
echo "novq server: https://localhost:$port/ ($dir)" >&2
