#!/usr/bin/env bash
# signing_test.sh <source root> <x64 bin> <x86 bin> <version>: the build's signing, with a
# throwaway certificate authority and a code-signing certificate it issued. Copies of both
# architectures' deliverables are signed by installer/sign.sh, as the build signs them after
# linking, and packed by installer/make_msi.sh, as the build packs them; every signature, the
# packages' own and those of the files inside them, must verify against that authority. Without
# a certificate the files stay as they are and the build says so in one line; a wrong password
# fails the build.
set -euo pipefail
root=$1 x64_bin=$2 x86_bin=$3 version=$4
source "$(dirname "$0")/../checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=(Flipdeck.exe Flipdeck.com Flipdeck.ENG regsettings.dll)

# The authority and the certificate, valid for a day: a PKCS#12 file as a release build gets one.
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 1 -subj "/CN=Flipdeck Test CA" \
        -addext basicConstraints=critical,CA:true -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Brivane Test Signing" 2>/dev/null
printf '%s\n' basicConstraints=CA:false keyUsage=critical,digitalSignature extendedKeyUsage=codeSigning >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 1 -extfile signer.ext \
        -out signer.pem 2>/dev/null
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -passout pass:'s3cret pass' \
        -out signer.pfx
# verify <file>: the file carries a signature by the throwaway authority's certificate.
verify() {
  osslsigncode verify -CAfile "$work/ca.pem" -in "$1" >"$work/verify.log" 2>&1 ||
    fail "$1 does not verify: $(grep -iE 'fail|error|mismatch' "$work/verify.log" | head -3 | xargs)"
}

# Without a certificate: one line, and the files as they were.
cp "$x64_bin/Flipdeck.exe" unsigned.exe
note=$(env -u FLIPDECK_SIGN_PFX bash "$root/installer/sign.sh")
[ "$(echo "$note" | wc -l)" -eq 1 ] && [[ $note == *unsigned* ]] || fail "an unsigned build said: $note"
[ -z "$(env -u FLIPDECK_SIGN_PFX bash "$root/installer/sign.sh" unsigned.exe)" ] || fail "signing without a certificate said something"
cmp -s unsigned.exe "$x64_bin/Flipdeck.exe" || fail "signing without a certificate changed the file"

# A wrong password stops the build and leaves the file unsigned.
if FLIPDECK_SIGN_PFX=signer.pfx FLIPDECK_SIGN_PASSWORD=wrong bash "$root/installer/sign.sh" unsigned.exe 2>/dev/null; then
  fail "signing with a wrong password succeeded"
fi
cmp -s unsigned.exe "$x64_bin/Flipdeck.exe" || fail "a failed signing changed the file"

export FLIPDECK_SIGN_PFX="$work/signer.pfx" FLIPDECK_SIGN_PASSWORD='s3cret pass'
for arch in x64 x86; do
  bin=${arch}_bin
  mkdir "$arch"
  for file in "${files[@]}"; do
    cp "${!bin}/$file" "$arch/$file" || fail "the $arch build has no $file"
  done
  bash "$root/installer/sign.sh" "${files[@]/#/$arch/}"
  msi="$work/Flipdeck-$version-$arch.msi"
  (cd "$arch" && bash "$root/installer/make_msi.sh" "$arch" "$version" "$msi" >/dev/null)
  verify "$msi"
  mkdir "$arch-unpacked"
  msiextract -C "$arch-unpacked" "$msi" >/dev/null
  for file in "${files[@]}"; do
    verify "$arch/$file"
    packed=$(find "$arch-unpacked" -type f -name "$file")
    if [ -z "$packed" ]; then
      fail "$file is not in the $arch package"
      continue
    fi
    cmp -s "$packed" "$arch/$file" || fail "the $arch package holds another $file than the signed one"
    verify "$packed"
  done
done
echo "signing: $failures failures"
finish
