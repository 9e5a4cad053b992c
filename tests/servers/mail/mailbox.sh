#!/usr/bin/env bash
# Looks at the test mailboxes: mailbox.sh ENV_FILE count USER | reset [USER] | wait USER N [SECS]
set -euo pipefail
env_file=${1:?usage: mailbox.sh ENV_FILE count|reset|wait ...}; shift
dir=$(sed -n 's/^export MAIL_DIR=//p' "$env_file")
conf=$dir/dovecot/dovecot.conf
count() { doveadm -c "$conf" mailbox status -u "$1" messages INBOX | sed 's/.*messages=//'; }
case "${1:-}" in
  count) count "$2" ;;
  reset) if [ -n "${2:-}" ]; then doveadm -c "$conf" expunge -u "$2" mailbox INBOX all
         else doveadm -c "$conf" expunge -A mailbox INBOX all; fi ;;
  wait) end=$(( $(date +%s) + ${4:-10} ))
        until [ "$(count "$2")" -ge "$3" ]; do
          [ "$(date +%s)" -ge "$end" ] && { echo "mailbox.sh: $2 has $(count "$2"), wanted $3" >&2; exit 1; }
          sleep 0.05
        done ;;
  *) echo "usage: mailbox.sh ENV_FILE count USER | reset [USER] | wait USER N [SECS]" >&2; exit 2 ;;
esac
