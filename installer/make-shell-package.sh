#!/usr/bin/env bash
# make-shell-package.sh <source root> <out dir> <certificate.pem> <key.pem>
# Builds the sparse packages (tools/make_shell_package.py) and signs them with
# osslsigncode. Without the certificate and key, a self-signed test certificate
# for code signing is made first at those paths; an organisation passes its own
# (ORVANE_SHELL_CERT and ORVANE_SHELL_KEY in CMake). The package's publisher is
# the certificate's subject as Windows writes it, which make_shell_package.py
# reads from the certificate itself.
set -euo pipefail
src=$1 out_dir=$2 cert=$3 key=$4
if [ ! -f "$cert" ] || [ ! -f "$key" ]; then
  mkdir -p "$(dirname "$cert")" "$(dirname "$key")"
  openssl req -x509 -newkey rsa:3072 -nodes -sha256 -days 3650 -keyout "$key" -out "$cert" \
    -subj "/CN=Orvane Test Publisher/O=Corvath" -addext "extendedKeyUsage=codeSigning" \
    -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" 2>/dev/null
fi
unsigned=$out_dir/unsigned-packages
rm -rf "$unsigned" && mkdir -p "$unsigned"
python3 "$src/tools/make_shell_package.py" "$src" "$unsigned" --certificate "$cert"
for package in "$unsigned"/*.msix; do
  rm -f "$out_dir/$(basename "$package")"
  osslsigncode sign -certs "$cert" -key "$key" -in "$package" -out "$out_dir/$(basename "$package")" >/dev/null
done
rm -rf "$unsigned"
