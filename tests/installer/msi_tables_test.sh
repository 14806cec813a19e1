#!/usr/bin/env bash
# msi_tables_test.sh <msi> <x64|x86> <version>: the package's tables, read with msiinfo, and the
# files it carries, which must be the ones its build made for that architecture.
set -euo pipefail
msi=$1 arch=$2 version=$3
source "$(dirname "$0")/../checks.sh"
expect() { [ "$2" = "$3" ] || fail "$1: expected '$2', found '$3'"; }

[ -f "$msi" ] || { echo "FAILED: $msi is missing (scripts/test.sh builds both architectures)"; exit 1; }
# table <name>: the rows of a table, tab-separated, without msiinfo's three header lines.
table() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
# column <table> <key> <n>: column n of the row whose first column is key.
column() { table "$1" | awk -F'\t' -v key="$2" -v n="$3" '$1 == key {print $n}'; }

if [ "$arch" = x64 ]; then
  program_files=ProgramFiles64Folder platform=x64 component_bits=256 file_format=pei-x86-64
else
  program_files=ProgramFilesFolder platform=Intel component_bits=0 file_format=pei-i386
fi

# Identity: a newer package replaces an older one only while the upgrade code stays this one.
expect ProductName Flipdeck "$(column Property ProductName 2)"
expect Manufacturer Brivane "$(column Property Manufacturer 2)"
expect ProductVersion "$version" "$(column Property ProductVersion 2)"
expect UpgradeCode '{502F33EA-BF90-4569-9535-B87546716462}' "$(column Property UpgradeCode 2)"
expect "per-machine (ALLUSERS)" 1 "$(column Property ALLUSERS 2)"
expect "icon under installed programs" Flipdeck.ico "$(column Property ARPPRODUCTICON 2)"
expect "icon stored" Flipdeck.ico "$(table Icon | cut -f1)"
expect platform "$platform;1033" "$(msiinfo suminfo "$msi" | tr -d '\r' | sed -n 's/^Template: //p')"

# Files, each in its own component of this architecture, all in Program Files\Flipdeck.
expect files "Flipdeck.ENG Flipdeck.com Flipdeck.exe regsettings.dll" "$(table File | cut -f3 | LC_ALL=C sort | xargs)"
# folder_path <directory id>: the folder from TARGETDIR down.
folder_path() {
  local folder=$1 path="" name
  while [ "$folder" != TARGETDIR ]; do
    name=$(column Directory "$folder" 3)
    [ "$name" = . ] && name=$folder
    path="$name${path:+\\$path}"
    folder=$(column Directory "$folder" 2)
  done
  echo "$path"
}
while IFS=$'\t' read -r component _ directory attributes _; do
  expect "$component's 64-bit flag" "$component_bits" "$((attributes & 256))"
  if [ "$component" = JournalFolder ]; then
    expect "journal folder kept at removal" 16 "$((attributes & 16))"
    continue
  fi
  expect "$component's folder" "$program_files\\Flipdeck" "$(folder_path "$directory")"
done < <(table Component)

# The journal's folder exists before any switch, for administrators and the system only.
expect "journal folder" 'CommonAppDataFolder\Flipdeck' "$(folder_path "$(column Component JournalFolder 3)")"
expect "journal folder made" $'JOURNALDIR\tJournalFolder' "$(table CreateFolder)"
expect "journal folder security" $'JOURNALDIR\tCreateFolder\tO:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)' \
       "$(column MsiLockPermissionsEx JournalFolderLock 2)"$'\t'"$(column MsiLockPermissionsEx JournalFolderLock 3)"$'\t'"$(column MsiLockPermissionsEx JournalFolderLock 4)"

# The event source of the Application log: its message file is the installed program, kept as
# REG_EXPAND_SZ ("#%"), and the "*" row removes the whole key with the program.
source_key='SYSTEM\CurrentControlSet\Services\EventLog\Application\Flipdeck'
expect "event source" "2	$source_key	*		EventSource
2	$source_key	EventMessageFile	#%[INSTALLDIR]Flipdeck.exe	EventSource
2	$source_key	TypesSupported	#7	EventSource" "$(table Registry | cut -f2- | LC_ALL=C sort)"

expect "Start-menu shortcut" $'ProgramMenuFolder\tFlipdeck\t[#FlipdeckExe]' \
       "$(table Shortcut | awk -F'\t' '{print $2 "\t" $3 "\t" $5}')"

# The packed files are this build's, byte for byte.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
msiextract -C "$unpacked" "$msi" >/dev/null
bin="$(dirname "$msi")/bin"
for file in Flipdeck.exe Flipdeck.com Flipdeck.ENG regsettings.dll; do
  packed=$(find "$unpacked" -type f -name "$file")
  if [ -z "$packed" ]; then
    fail "$file is not in the package"
    continue
  fi
  cmp -s "$packed" "$bin/$file" || fail "$file differs from $bin/$file"
  x86_64-w64-mingw32-objdump -f "$packed" | grep -q "file format $file_format" || fail "$file is not $file_format"
  # cmd and PowerShell wait for a console program and show its output in their console.
  subsystem=$(x86_64-w64-mingw32-objdump -p "$packed" | sed -n 's/^Subsystem.*(\(.*\))$/\1/p')
  case $file in
    Flipdeck.exe) expect "$file's subsystem" "Windows GUI" "$subsystem" ;;
    Flipdeck.com) expect "$file's subsystem" "Windows CUI" "$subsystem" ;;
  esac
done
echo "$msi: $failures failures"
finish
