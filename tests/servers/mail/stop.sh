#!/usr/bin/env bash
# Stops the mail servers started by start.sh and removes their folder.
#   stop.sh DIR | ENV_FILE
# Only the two master processes named in the folder's own pid files are
# signalled, after checking they belong to this folder. Safe to run twice.
set -uo pipefail
arg=${1:?usage: stop.sh DIR|ENV_FILE}
if [ -f "$arg" ]; then dir=$(sed -n 's/^export MAIL_DIR=//p' "$arg"); else dir=$arg; fi
say() { echo "mail servers: $*" >&2; }
[ -n "$dir" ] && [ -d "$dir" ] || { say "nothing to stop"; exit 0; }
case "$dir" in /tmp/sendvik-mail.*|/dev/shm/sendvik-mail.*) ;; *) say "refusing to touch $dir"; exit 1 ;; esac

alive() { [ -r "/proc/$1/stat" ] && ! grep -q ') Z ' "/proc/$1/stat" 2>/dev/null; }
pids=()
pid=$(tr -dc 0-9 < "$dir/postfix/spool/pid/master.pid" 2>/dev/null)
if [ -n "$pid" ] && alive "$pid" && tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx "MAIL_CONFIG=$dir/postfix/etc"; then
  pids+=("$pid")
fi
pid=$(tr -dc 0-9 < "$dir/dovecot/run/master.pid" 2>/dev/null)
if [ -n "$pid" ] && alive "$pid" && tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF "$dir/dovecot/dovecot.conf"; then
  pids+=("$pid")
fi
for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
for pid in "${pids[@]}"; do
  for _ in $(seq 1 200); do alive "$pid" || break; sleep 0.05; done
  alive "$pid" && { say "killing $pid"; kill -KILL "$pid" 2>/dev/null; }
done
# Children share the master's session; give them a moment, then end them.
for pid in "${pids[@]}"; do
  for f in /proc/[0-9]*/stat; do
    read -r st < "$f" 2>/dev/null || continue
    st=${st##*) }; set -- $st
    [ "${4:-}" = "$pid" ] && { p=${f#/proc/}; kill -KILL "${p%/stat}" 2>/dev/null; }
  done
done
rm -rf -- "$dir"
say "stopped"
exit 0
