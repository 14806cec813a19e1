#!/usr/bin/env bash
# sign.sh <file>...: gives each program, library or MSI package an Authenticode signature (SHA-256)
# with the certificate of the PKCS#12 file FLIPDECK_SIGN_PFX (a full path: the build signs in several
# folders), whose password is FLIPDECK_SIGN_PASSWORD; FLIPDECK_SIGN_TIMESTAMP may name an RFC 3161
# time-stamp server, so that the signature outlives the certificate. Without FLIPDECK_SIGN_PFX the
# files stay as they are. sign.sh without files says, in one line, when the build is not signed.
set -euo pipefail
if [ -z "${FLIPDECK_SIGN_PFX:-}" ]; then
  [ $# -gt 0 ] || echo "Flipdeck: unsigned build (FLIPDECK_SIGN_PFX names no certificate)"
  exit 0
fi
for file in "$@"; do
  # osslsigncode writes a new file; the signed one replaces the original only when it is whole.
  signed="$file.signed"
  # The password goes through a file descriptor, never onto a command line others can read.
  if ! osslsigncode sign -pkcs12 "$FLIPDECK_SIGN_PFX" -readpass <(printf '%s' "${FLIPDECK_SIGN_PASSWORD:-}") \
         -h sha256 -n Flipdeck ${FLIPDECK_SIGN_TIMESTAMP:+-ts "$FLIPDECK_SIGN_TIMESTAMP"} \
         -in "$file" -out "$signed" >"$signed.log" 2>&1; then
    echo "sign.sh: signing $file failed:" >&2
    cat "$signed.log" >&2
    rm -f "$signed" "$signed.log"
    exit 1
  fi
  rm "$signed.log"
  mv "$signed" "$file"
done
