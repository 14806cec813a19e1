#!/usr/bin/env bash
# finish_msi.sh <msi>: what wixl cannot write into the package it made. The journal's folder gets
# its security (MsiLockPermissionsEx.idt: administrators and the system only) and its component is
# made permanent, so that removing Flipdeck leaves the folder and any journal in it alone.
set -euo pipefail
msi=$1
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
msibuild "$msi" -i "$here/MsiLockPermissionsEx.idt"
# msidbComponentAttributesPermanent = 16.
msiinfo export "$msi" Component | awk -F'\t' 'BEGIN {OFS = "\t"} $1 == "JournalFolder" {$4 = $4 + 16} {print}' \
  >"$work/Component.idt"
msibuild "$msi" -i "$work/Component.idt"
# The event source's key: its message file as REG_EXPAND_SZ ("#%"), and a "*" row, which creates the
# key at installation and removes it, with whatever it holds, at removal; wixl writes neither.
msiinfo export "$msi" Registry | awk -F'\t' 'BEGIN {OFS = "\t"; RS = ORS = "\r\n"}
  $6 == "EventSource" {sub(/\\$/, "", $3); if ($4 == "EventMessageFile") $5 = "#%" $5; key = $3}
  {print}
  END {print "regEventSourceKey", 2, key, "*", "", "EventSource"}' >"$work/Registry.idt"
msibuild "$msi" -i "$work/Registry.idt"
