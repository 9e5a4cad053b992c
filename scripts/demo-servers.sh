#!/usr/bin/env bash
# The demo profile's servers on loopback:
#   demo-servers.sh start HOME RUNDIR   start them for the profile in HOME
#   demo-servers.sh stop RUNDIR         stop them
# The mail servers (Postfix and Dovecot; they need root) hold the mail
# accounts of JS2IIU and its two partner stations, JA4FJR and JH3KMT, and a
# mailbox, "others", that collects the mail of every other station; the reference service server knows the user list's
# stations. "start" writes RUNDIR/demo.env (SENDVIK_SERVER_BASE and
# SENDVIK_SERVER_BASE2 for the program) and HOME/demo-ca.crt (the CA file the
# profile's settings name). The ports are SENDVIK_DEMO_PORTS (11000) plus
# 465, 587, 995, 110 (mail) and 443 (the service), as the profile was made.
set -euo pipefail
ports=${SENDVIK_DEMO_PORTS:-11000}
cd "$(dirname "$0")/.."
case "${1:-}" in
  stop)
    run=${2:?run folder}
    tests/servers/novq/stop.sh "$run/novq.env" || true
    [ -f "$run/mail.env" ] && { tests/servers/mail/stop.sh "$run/mail.env" >/dev/null 2>&1 || true; }
    rm -f "$run/mail.env" "$run/demo.env"
    exit 0 ;;
  start) ;;
  *) echo "usage: demo-servers.sh start HOME RUNDIR | stop RUNDIR" >&2; exit 2 ;;
esac
home=${2:?home folder}
run=${3:?run folder}
mkdir -p "$run"
"$0" stop "$run"  # anything left from a run that was killed
: > "$home/demo-ca.crt"
if [ "$(id -u)" -eq 0 ]; then
  MAIL_USERS="js2iiu:demo-mail-password ja4fjr:demo-ja4fjr jh3kmt:demo-jh3kmt others:demo-others" \
    MAIL_CATCHALL=others \
    SMTPS_PORT=$((ports + 465)) SMTP_PORT=$((ports + 587)) POP3S_PORT=$((ports + 995)) \
    POP3_PORT=$((ports + 110)) \
    tests/servers/mail/start.sh "$run/mail.env"
  # shellcheck disable=SC1091
  . "$run/mail.env"
  cat "$MAIL_CA_FILE" >> "$home/demo-ca.crt"
  echo "The partner stations' mailboxes (POP3S localhost:$((ports + 995))): ja4fjr@qsl.test" \
    "(password demo-ja4fjr), jh3kmt@qsl.test (demo-jh3kmt); every other station's:" \
    "others@qsl.test (demo-others)." >&2
else
  echo "Not root: the demo runs without its mail servers (Postfix and Dovecot need root)." >&2
fi
NOVQ_PORT=$((ports + 443)) NOVQ_USERS_FILE="$home/novq-users.json" tests/servers/novq/start.sh "$run/novq.env"
# shellcheck disable=SC1091
. "$run/novq.env"
cat "$NOVQ_CA" >> "$home/demo-ca.crt"
printf 'export SENDVIK_SERVER_BASE=%s SENDVIK_SERVER_BASE2=%s\n' "$NOVQ_BASE" "$NOVQ_BASE" \
  > "$run/demo.env"
