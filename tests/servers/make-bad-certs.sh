#!/usr/bin/env bash
# Certificates a client must refuse, signed by a CA it trusts:
#   make-bad-certs.sh DIR   writes in DIR (beside ca.crt/ca.key of make-test-ca.sh,
#                           made first when missing)
#     other-host.crt/.key   valid, for other.test only
#     expired.crt/.key      for localhost and 127.0.0.1, expired in 2020
set -euo pipefail
dir=${1:?usage: make-bad-certs.sh DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ -f "$dir/ca.key" ] || "$here/make-test-ca.sh" "$dir" "Sendvik bad-certificate test CA"
cd "$dir"
ext() {
  printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature,keyEncipherment" \
    "extendedKeyUsage=serverAuth" "subjectAltName=$1"
}
openssl req -newkey rsa:2048 -nodes -sha256 -keyout other-host.key -out other-host.csr \
  -subj "/O=Sendvik tests/CN=other.test" 2>/dev/null
ext "DNS:other.test" > other-host.ext
openssl x509 -req -in other-host.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 7 -sha256 \
  -extfile other-host.ext -out other-host.crt 2>/dev/null
# An expired one: openssl ca takes explicit dates.
mkdir -p ca-db
: > ca-db/index.txt
echo 1000 > ca-db/serial
cat > ca-db/ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = ca-db/index.txt
serial = ca-db/serial
new_certs_dir = ca-db
default_md = sha256
policy = any
copy_extensions = none
[any]
commonName = supplied
CNF
openssl req -newkey rsa:2048 -nodes -sha256 -keyout expired.key -out expired.csr \
  -subj "/CN=localhost" 2>/dev/null
ext "DNS:localhost,IP:127.0.0.1" > expired.ext
openssl ca -batch -config ca-db/ca.cnf -cert ca.crt -keyfile ca.key -in expired.csr \
  -out expired.crt -startdate 20200101000000Z -enddate 20200201000000Z -extfile expired.ext \
  -notext 2>/dev/null
rm -rf ca-db ./*.csr ./*.ext ca.srl
chmod 600 ./*.key
