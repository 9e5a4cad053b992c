#!/usr/bin/env bash
# Stops the reference service server started by start.sh and removes its folder.
#   stop.sh ENV_FILE
set -uo pipefail
env_file=${1:?usage: stop.sh ENV_FILE}
[ -f "$env_file" ] || exit 0
# shellcheck disable=SC1090
. "$env_file"
[ -n "${NOVQ_PID:-}" ] && kill "$NOVQ_PID" 2>/dev/null
case "${NOVQ_DIR:-}" in /tmp/sendvik-novq.*) rm -rf "$NOVQ_DIR" ;; esac
rm -f "$env_file"
exit 0
