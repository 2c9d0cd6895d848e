#!/usr/bin/env bash
# Test CA of this build tree, made anew with each prefix and trusted only inside it.
# The stand-in services (tests/standin) serve certificates from $SWIFTLANE_BINARY_DIR/test-ca:
#   ca.crt/ca.key               the CA, added to the prefix's LocalMachine "Root" store
#   localhost.crt/localhost.key for DNS "localhost", signed by the CA
#   untrusted.crt/untrusted.key for DNS "localhost", self-signed: no prefix trusts it
# Runs with WINEPREFIX and SWIFTLANE_BINARY_DIR set, while wine-run.sh makes the prefix.
set -euo pipefail
: "${WINEPREFIX:?}" "${SWIFTLANE_BINARY_DIR:?}"

tool="$SWIFTLANE_BINARY_DIR/tests/tools/trust_ca.exe"
if [ ! -f "$tool" ]; then
  echo "10-test-ca.sh: $tool is missing; build the tree before the first Wine run" >&2
  exit 1
fi

dir="$SWIFTLANE_BINARY_DIR/test-ca"
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"

# openssl reports progress on stderr; show it only when a step fails.
ssl() {
  local out
  if ! out=$(openssl "$@" 2>&1); then
    printf '10-test-ca.sh: openssl %s failed:\n%s\n' "$1" "$out" >&2
    return 1
  fi
}
days=825
subject_ext="subjectAltName=DNS:localhost
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth"

ssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 \
  -subj "/O=Swiftlane tests/CN=Swiftlane test CA $(date -u +%Y%m%dT%H%M%S) $$" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout ca.key -out ca.crt

ssl req -newkey rsa:2048 -nodes -sha256 -subj "/O=Swiftlane tests/CN=localhost" -keyout localhost.key -out localhost.csr
printf '%s\n' "$subject_ext" >localhost.ext
ssl x509 -req -in localhost.csr -CA ca.crt -CAkey ca.key -CAcreateserial -sha256 -days "$days" \
  -extfile localhost.ext -out localhost.crt
rm -f localhost.csr localhost.ext ca.srl

ssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" -subj "/O=Swiftlane tests/CN=localhost" \
  -addext "subjectAltName=DNS:localhost" -keyout untrusted.key -out untrusted.crt

ssl x509 -in ca.crt -outform DER -out ca.der
"${WINE:-wine}" "$tool" "$(winepath -w "$dir/ca.der")"
