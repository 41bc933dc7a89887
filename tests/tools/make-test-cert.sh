#!/usr/bin/env bash
# A throwaway CA and a code-signing certificate it issued, for signing tests only:
#   DIR/ca.pem, DIR/signer.pfx (key and certificate, password in DIR/password.txt).
# usage: make-test-cert.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
cat >ext.cnf <<'CNF'
[signer]
basicConstraints = CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
CNF
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
  -subj "/CN=Quenzar Test CA" -addext "basicConstraints=critical,CA:true" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
  -subj "/CN=Quenzar Test Signer" 2>/dev/null
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
  -extfile ext.cnf -extensions signer -out signer.pem 2>/dev/null
printf 'test-only-password\n' >password.txt
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -out signer.pfx \
  -passout file:password.txt
