#!/usr/bin/env bash
# make_msi.sh <x64|x86> <version> <msi>: packages Flipdeck.exe, Flipdeck.com, Flipdeck.ENG and
# regsettings.dll of the current folder as <msi>, carrying <version> (four numbers), and signs the
# package as sign.sh does. The files are packed as they are: sign them first.
set -euo pipefail
arch=$1 version=$2 msi=$3
here=$(cd "$(dirname "$0")" && pwd)
# The package takes its name only when it is finished and signed: a half-made one never looks
# up to date.
draft="$msi.draft"
trap 'rm -f "$draft"' EXIT
# wixl looks for the files in the current folder and for the icon beside Flipdeck.wxs.
wixl -a "$arch" -D Arch="$arch" -D Version="$version" -o "$draft" "$here/Flipdeck.wxs"
bash "$here/finish_msi.sh" "$draft"
bash "$here/sign.sh" "$draft"
mv "$draft" "$msi"
