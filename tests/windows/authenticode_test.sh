#!/usr/bin/env bash
# A program signed as scripts/release-windows.sh describes carries an
# Authenticode signature that verifies against the certificate it was made
# with, and a byte changed after signing breaks it:
# authenticode_test.sh EXE. The certificate is made here, for this test only.
set -euo pipefail
exe=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Quelbo test publisher" \
  -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out publisher.pfx -passout pass:test
osslsigncode sign -pkcs12 publisher.pfx -pass test -n Quelbo -in "$exe" -out signed.exe >/dev/null
if ! osslsigncode verify -CAfile cert.pem -in signed.exe >verify.txt 2>&1; then
  cat verify.txt
  echo "FAIL: the signed program does not verify"
  exit 1
fi
grep -q "Quelbo test publisher" verify.txt || { cat verify.txt; echo "FAIL: the signer is not named"; exit 1; }
# One byte of the code changed, as a damaged or tampered download would be.
python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[len(b) // 3] ^= 1; open(sys.argv[1], "wb").write(b)' \
  signed.exe
if osslsigncode verify -CAfile cert.pem -in signed.exe >/dev/null 2>&1; then
  echo "FAIL: a changed program still verifies"
  exit 1
fi
echo "signed, verified, and a changed byte refused"
