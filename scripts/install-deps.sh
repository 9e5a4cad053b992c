#!/usr/bin/env bash
# Installs every Debian 12 package Sendvik needs to build, run and test.
# Safe to run again: only missing packages are installed. Never starts a
# system daemon (the test mail servers are started by tests/servers/).
set -euo pipefail

PKGS=(
  # build
  build-essential cmake ninja-build ccache pkg-config git clang-format
  # libraries
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  libcurl4-openssl-dev libgmime-3.0-dev libsqlite3-dev sqlite3
  libjpeg62-turbo-dev libturbojpeg0-dev libqrencode-dev libxlsxwriter-dev libarchive-dev
  # tests and benchmarks (lintian checks the Debian package)
  googletest libgtest-dev libgmock-dev libbenchmark-dev lintian
  # fonts, time zones, a display for screenshots and GUI runs
  fonts-ipafont fonts-ipaexfont tzdata xvfb xauth x11-apps x11-utils openbox imagemagick
  # loopback mail servers used by the tests
  dovecot-core dovecot-pop3d dovecot-lmtpd postfix openssl curl ca-certificates
  # the reference service server (tools/novq_server); the tests read the
  # spreadsheets back with an independent reader
  python3 python3-openpyxl
  # other readers of the cards this program writes
  libjpeg-turbo-progs python3-pil
  # WSJT-X's own reader of its network messages (udp_daemon), for our datagrams
  wsjtx
)

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present" >&2
  exit 0
fi

SUDO=
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root to install: ${missing[*]}" >&2; exit 1; }
  SUDO=sudo
fi

# Keep apt from starting dovecot and postfix as system services.
policy=/usr/sbin/policy-rc.d
made_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
  $SUDO chmod 755 "$policy"
  made_policy=1
fi
cleanup() { [ "$made_policy" = 1 ] && $SUDO rm -f "$policy"; return 0; }
trap cleanup EXIT

# Postfix without a system configuration: the tests bring their own.
echo "postfix postfix/main_mailer_type select No configuration" | $SUDO debconf-set-selections

export DEBIAN_FRONTEND=noninteractive
echo "install-deps: installing ${missing[*]}" >&2
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}" >&2; then
  $SUDO apt-get update >&2
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}" >&2
fi
