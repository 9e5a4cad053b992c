#!/usr/bin/env bash
# A private CA and a server certificate for localhost and 127.0.0.1, for the
# loopback test servers; clients trust ca.crt.
#   make-test-ca.sh DIR "CA NAME"   writes ca.crt, ca.key, server.crt,
#                                   server.key and chain.crt (server + CA) in DIR
set -euo pipefail
dir=${1:?usage: make-test-ca.sh DIR "CA NAME"}
name=${2:?usage: make-test-ca.sh DIR "CA NAME"}
mkdir -p "$dir"
cd "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -days 7 -sha256 -keyout ca.key -out ca.crt \
  -subj "/O=Sendvik tests/CN=$name" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -sha256 -keyout server.key -out server.csr \
  -subj "/O=Sendvik tests/CN=localhost" 2>/dev/null
printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature,keyEncipherment" \
  "extendedKeyUsage=serverAuth" "subjectAltName=DNS:localhost,IP:127.0.0.1" > server.ext
openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 7 -sha256 \
  -extfile server.ext -out server.crt 2>/dev/null
cat server.crt ca.crt > chain.crt
rm -f server.csr server.ext ca.srl
chmod 600 ca.key server.key
