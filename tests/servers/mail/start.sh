#!/usr/bin/env bash
# Starts the loopback mail servers the tests send cards through:
#   Postfix  SMTPS (implicit TLS) and submission with required STARTTLS,
#            AUTH PLAIN/LOGIN/CRAM-MD5 through Dovecot, delivery by LMTP;
#   Dovecot  POP3S (implicit TLS) and POP3 (STLS offered), USER/PASS, SASL
#            and APOP, on the same maildirs.
#   Mail to bounce.test is accepted and bounced back to its sender.
# Everything lives in one new folder; /etc is not touched (besides a 'vmail'
# system user). Must run as root.
#   start.sh ENV_FILE     writes "export NAME=value" lines for the tests there
# Settings (environment): MAIL_USERS ["jr1abc:pass-a jr2xyz:pass-b jh3aaa:pass-c"],
# MAIL_DOMAIN [qsl.test], SMTPS_PORT [10465], SMTP_PORT [10587],
# POP3S_PORT [10995], POP3_PORT [10110], MAIL_CATCHALL [none: a user whose
# mailbox also gets the mail for every other address of the domain].
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
env_file=${1:?usage: start.sh ENV_FILE}
: "${MAIL_USERS:=jr1abc:pass-a jr2xyz:pass-b jh3aaa:pass-c}"
: "${MAIL_DOMAIN:=qsl.test}"
: "${MAIL_CATCHALL:=}"
: "${SMTPS_PORT:=10465}" "${SMTP_PORT:=10587}" "${POP3S_PORT:=10995}" "${POP3_PORT:=10110}"
host=127.0.0.1
say() { echo "mail servers: $*" >&2; }
dir=""
abort() {
  say "start failed: $*"
  [ -n "$dir" ] && { tail -n 20 "$dir"/log/*.log >&2 2>/dev/null || true; "$here/stop.sh" "$dir" >&2 || true; }
  exit 1
}
[ "$(id -u)" -eq 0 ] || abort "needs root (the Postfix and Dovecot masters)"
for f in /usr/sbin/dovecot /usr/lib/dovecot/pop3 /usr/lib/dovecot/lmtp /usr/sbin/postfix /usr/bin/openssl; do
  [ -x "$f" ] || abort "$f missing: run scripts/install-deps.sh"
done
getent passwd vmail >/dev/null || useradd --system --user-group --home-dir /nonexistent \
  --no-create-home --shell /usr/sbin/nologin vmail
vuid=$(id -u vmail); vgid=$(id -g vmail)
for p in "$SMTPS_PORT" "$SMTP_PORT" "$POP3S_PORT" "$POP3_PORT"; do
  if (exec 3<>"/dev/tcp/$host/$p") 2>/dev/null; then abort "port $p is in use (servers already running?)"; fi
done

# Unix socket paths must stay short: keep the folder near the root
# (SENDVIK_MAIL_ROOT=/dev/shm keeps the servers off the disk for benchmarks).
dir=$(mktemp -d "${SENDVIK_MAIL_ROOT:-/tmp}/sendvik-mail.XXXXXX")
chmod 755 "$dir"
mkdir -p "$dir"/{tls,log,dovecot,postfix/etc,postfix/spool/private,postfix/data,mail}
chown postfix:root "$dir/postfix/spool/private"; chmod 700 "$dir/postfix/spool/private"
chown postfix:postfix "$dir/postfix/data"; chmod 700 "$dir/postfix/data"
chown vmail:vmail "$dir/mail"; chmod 700 "$dir/mail"

# A private CA and a server certificate for localhost; clients trust ca.crt.
"$here/../make-test-ca.sh" "$dir/tls" "Sendvik test CA"

# Users: plaintext passwords so that CRAM-MD5 and APOP work.
: > "$dir/users.passwd"; : > "$dir/postfix/etc/vmailbox"; : > "$dir/postfix/etc/valias"
n=0; users_env=""
for entry in $MAIL_USERS; do
  user=${entry%%:*}@$MAIL_DOMAIN; pass=${entry#*:}
  printf '%s:{PLAIN}%s::::::nodelay=yes\n' "$user" "$pass" >> "$dir/users.passwd"
  printf '%s OK\n' "$user" >> "$dir/postfix/etc/vmailbox"
  printf '%s %s\n' "$user" "$user" >> "$dir/postfix/etc/valias"
  n=$((n + 1))
  users_env+="export MAIL_USER$n=$user"$'\n'"export MAIL_PASS$n=$pass"$'\n'
done
chown root:dovecot "$dir/users.passwd"; chmod 640 "$dir/users.passwd"

spool=$dir/postfix/spool
cat > "$dir/dovecot/dovecot.conf" <<EOF
base_dir = $dir/dovecot/run
state_dir = $dir/dovecot/state
instance_name = sendvik-tests
protocols = pop3 lmtp
listen = $host
hostname = localhost
log_path = $dir/log/dovecot.log
auth_mechanisms = plain login cram-md5 apop
auth_default_realm = $MAIL_DOMAIN
auth_failure_delay = 0
disable_plaintext_auth = no
ssl = yes
ssl_cert = <$dir/tls/chain.crt
ssl_key = <$dir/tls/server.key
ssl_min_protocol = TLSv1.2
mail_location = maildir:~/Maildir
mail_uid = $vuid
mail_gid = $vgid
first_valid_uid = $vuid
last_valid_uid = $vuid
first_valid_gid = $vgid
last_valid_gid = $vgid
postmaster_address = postmaster@$MAIL_DOMAIN
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%Lu $dir/users.passwd
}
userdb {
  driver = passwd-file
  args = username_format=%Lu $dir/users.passwd
  default_fields = uid=$vuid gid=$vgid home=$dir/mail/%Ld/%Ln
}
# No growing delays after failed logins: the tests fail logins on purpose.
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
service pop3-login {
  service_count = 0
  process_min_avail = 1
  inet_listener pop3 {
    port = $POP3_PORT
  }
  inet_listener pop3s {
    port = $POP3S_PORT
    ssl = yes
  }
}
service lmtp {
  unix_listener $spool/private/dovecot-lmtp {
    mode = 0600
    user = postfix
    group = postfix
  }
}
service auth {
  unix_listener $spool/private/auth {
    mode = 0660
    user = postfix
    group = postfix
  }
}
EOF
# The daemons must not keep the caller's output open (ctest waits for it).
/usr/sbin/dovecot -c "$dir/dovecot/dovecot.conf" </dev/null >/dev/null 2>&1 || abort "dovecot did not start"

pf=$dir/postfix/etc
cat > "$pf/main.cf" <<EOF
compatibility_level = 3.6
queue_directory = $spool
data_directory = $dir/postfix/data
mail_owner = postfix
setgid_group = postdrop
myhostname = localhost
mydestination =
mynetworks = 127.0.0.1/32
inet_interfaces = loopback-only
inet_protocols = ipv4
smtpd_banner = \$myhostname ESMTP Sendvik tests
biff = no
maillog_file = $dir/log/postfix.log
maillog_file_prefixes = $dir/log
alias_maps =
alias_database =
local_recipient_maps =
local_transport = error:5.1.1 no local delivery in tests
default_transport = error:5.7.1 nothing leaves this machine
relay_transport = error:5.7.1 nothing leaves this machine
# Mail to bounce.test is taken and then bounced, as a server far away
# bounces a card to an address that no longer exists.
relay_domains = bounce.test
transport_maps = texthash:$pf/transport
virtual_mailbox_domains = $MAIL_DOMAIN
virtual_mailbox_maps = texthash:$pf/vmailbox
virtual_alias_maps = texthash:$pf/valias
virtual_transport = lmtp:unix:private/dovecot-lmtp
local_header_rewrite_clients =
smtpd_sasl_type = dovecot
smtpd_sasl_path = private/auth
smtpd_sasl_auth_enable = yes
smtpd_sasl_security_options = noanonymous
smtpd_sasl_tls_security_options = noanonymous
smtpd_tls_chain_files = $dir/tls/server.key, $dir/tls/chain.crt
smtpd_tls_security_level = may
smtpd_tls_auth_only = yes
smtpd_tls_protocols = >=TLSv1.2
smtpd_relay_restrictions = reject_unauth_destination
smtpd_recipient_restrictions = reject_unlisted_recipient, permit_sasl_authenticated, reject
smtpd_peername_lookup = no
smtpd_error_sleep_time = 0
message_size_limit = 26214400
in_flow_delay = 0
notify_classes =
EOF
cat > "$pf/master.cf" <<EOF
$host:$SMTPS_PORT inet n - n - - smtpd
  -o syslog_name=postfix/smtps
  -o smtpd_tls_wrappermode=yes
  -o smtpd_tls_security_level=encrypt
$host:$SMTP_PORT inet n - n - - smtpd
  -o syslog_name=postfix/submission
  -o smtpd_tls_security_level=encrypt
pickup     unix  n - n 60    1 pickup
cleanup    unix  n - n -     0 cleanup
qmgr       unix  n - n 300   1 qmgr
tlsmgr     unix  - - n 1000? 1 tlsmgr
rewrite    unix  - - n -     - trivial-rewrite
bounce     unix  - - n -     0 bounce
defer      unix  - - n -     0 bounce
trace      unix  - - n -     0 bounce
verify     unix  - - n -     1 verify
flush      unix  n - n 1000? 0 flush
proxymap   unix  - - n -     - proxymap
showq      unix  n - n -     - showq
error      unix  - - n -     - error
retry      unix  - - n -     - error
discard    unix  - - n -     - discard
lmtp       unix  - - n -     - lmtp
anvil      unix  - - n -     1 anvil
scache     unix  - - n -     1 scache
postlog    unix-dgram n - n - 1 postlogd
bouncer    unix  - n n -     - pipe
  flags=q user=vmail argv=/bin/sh -c { echo "user unknown in this test"; exit 67 }
EOF
# Postfix waits for configuration files younger than a second to settle.
[ -n "$MAIL_CATCHALL" ] && printf '@%s %s@%s\n' "$MAIL_DOMAIN" "$MAIL_CATCHALL" "$MAIL_DOMAIN" >> "$pf/valias"
printf 'bounce.test bouncer:\n' > "$pf/transport"
touch -d "@$(( $(date +%s) - 60 ))" "$pf/main.cf" "$pf/master.cf" "$pf/vmailbox" "$pf/valias" "$pf/transport"
/usr/sbin/postfix -c "$pf" start </dev/null > "$dir/log/postfix-start.log" 2>&1 || { cat "$dir/log/postfix-start.log" >&2; abort "postfix did not start"; }

for p in "$SMTPS_PORT" "$SMTP_PORT" "$POP3S_PORT" "$POP3_PORT"; do
  for i in $(seq 1 100); do
    (exec 3<>"/dev/tcp/$host/$p") 2>/dev/null && break
    [ "$i" = 100 ] && abort "port $p not listening after 10 s"
    sleep 0.1
  done
done

{
  echo "export MAIL_DIR=$dir"
  echo "export MAIL_HOST=$host"
  echo "export MAIL_DOMAIN=$MAIL_DOMAIN"
  echo "export SMTPS_PORT=$SMTPS_PORT SMTP_PORT=$SMTP_PORT POP3S_PORT=$POP3S_PORT POP3_PORT=$POP3_PORT"
  echo "export MAIL_CA_FILE=$dir/tls/ca.crt"
  printf '%s' "$users_env"
} > "$env_file"
say "up in $dir"
