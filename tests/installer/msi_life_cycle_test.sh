#!/usr/bin/env bash
# msi_life_cycle_test.sh <source root> <bin> <msi> <version> <newer msi> <newer version>:
# the x64 package on a workstation, under Wine in a fresh prefix of its own (<bin>/../msi-prefix)
# that holds the demo world. It installs silently with its files, shortcut and installed-programs
# entry; the installed program opens on the world; the newer package replaces it in place; silent
# removal takes every trace of Flipdeck's own and leaves the world, the catalogues and the
# activity log exactly as they were.
set -euo pipefail
root=$1 bin=$2 msi=$3 version=$4 newer_msi=$5 newer_version=$6
source "$root/scripts/lib.sh"
report_failures

prefix=$(cd "$bin/.." && pwd)/msi-prefix
work="$prefix-check"
rm -rf "$work"
mkdir -p "$work"
start_wine_session "$prefix" --fresh
drive_c="$WINEPREFIX/drive_c"
install_dir="$drive_c/Program Files/Flipdeck"
wine_log="$work/wine.log"

source "$root/tests/checks.sh"
# run_wine <program> <argument>...: Wine's own output goes to a file, shown when a step fails.
run_wine() {
  echo "== $*" >>"$wine_log"
  wine "$@" >>"$wine_log" 2>&1 </dev/null
}
must() {
  "$@" && return
  fail "$* ended with status $?; Wine said:"
  cat "$wine_log"
  exit 1
}

# Installed programs named Flipdeck, one line each: key, DisplayVersion, Publisher.
flipdeck_entries() {
  { wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null || true; } | tr -d '\r' |
    awk -F'    ' '/^HKEY_/ {key = $0; next}
                  NF >= 4 {value[key, $2] = $4; keys[key]}
                  END {for (k in keys) if (value[k, "DisplayName"] == "Flipdeck")
                         print k "\t" value[k, "DisplayVersion"] "\t" value[k, "Publisher"]}'
}
# The icon Windows Installer keeps for the entry, as a Linux path.
product_icon() {
  local icon
  icon=$({ wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null || true; } | tr -d '\r' |
         awk -F'    ' '/^HKEY_/ {key = $0; next} NF >= 4 {value[key, $2] = $4; keys[key]}
                       END {for (k in keys) if (value[k, "ProductName"] == "Flipdeck") print value[k, "ProductIcon"]}')
  [ -n "$icon" ] && winepath -u "$icon" 2>/dev/null
}
# Flipdeck's Start-menu shortcuts. Windows puts a per-machine shortcut into the common Start
# menu; Wine puts it into the installing user's.
shortcuts() {
  find "$drive_c/ProgramData/Microsoft/Windows/Start Menu" "$drive_c"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu \
       -iname 'Flipdeck*.lnk' 2>/dev/null || true
}
count_lines() { grep -c . || true; }

# expect_installed <version>: the four files of this build, the shortcut to the program and one
# entry under installed programs with the version, the publisher and an icon.
expect_installed() {
  for file in Flipdeck.exe Flipdeck.com Flipdeck.ENG regsettings.dll; do
    cmp -s "$install_dir/$file" "$bin/$file" || fail "$1: $install_dir/$file is not the built $file"
  done
  local links
  links=$(shortcuts)
  if [ "$(echo "$links" | count_lines)" -ne 1 ]; then
    fail "$1: expected one Start-menu shortcut, found: ${links:-none}"
  else
    tr -d '\0' <"$links" | grep -qF 'C:\Program Files\Flipdeck\Flipdeck.exe' || fail "$1: the shortcut does not lead to the program"
  fi
  local entries
  entries=$(flipdeck_entries)
  [ "$(echo "$entries" | count_lines)" -eq 1 ] || fail "$1: expected one installed-programs entry, found: ${entries:-none}"
  [ "$(echo "$entries" | cut -f2,3)" = "$1"$'\tBrivane' ] || fail "$1: the entry says: $entries"
  local icon
  icon=$(product_icon) || true
  [ -n "$icon" ] && [ -s "$icon" ] || fail "$1: the entry has no icon"
}

# event_source: the event source's values as "name type data" lines; nothing when the key is missing.
event_source() {
  { wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Flipdeck' 2>/dev/null || true; } |
    tr -d '\r' | awk -F'    ' 'NF >= 4 {print $2 " " $3 " " $4}' | sort
}
expect_event_source() {
  local found
  found=$(event_source)
  [ "$found" = $'EventMessageFile REG_EXPAND_SZ C:\\Program Files\\Flipdeck\\Flipdeck.exe\nTypesSupported REG_DWORD 0x7' ] ||
    fail "$1: the event source is registered as: ${found:-nothing}"
}

# What removal must leave alone: the world's folders and files, the gateway files, the activity
# log, the product and catalogue registry trees and the machine PATH.
snapshot() {
  (cd "$drive_c" && find . \( -path ./windows -o -path './Program Files/Flipdeck' -o -name 'Start Menu' \
                              -o -path './users/*/Temp' \) -prune -o -type d -print -o -type f -exec md5sum {} + | sort)
  (cd "$drive_c/windows/syswow64" && find . -type f -exec md5sum {} + | sort)
  (cd "$HOME" && find Brivane -type f -exec md5sum {} + | sort)
  local key
  for key in 'HKCU\Software' 'HKLM\Software\Wow6432Node' 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment'; do
    run_wine reg export "$key" 'C:\snapshot.reg' /y
    # Wine's own settings change as it runs; they are not ours to keep.
    iconv -f UTF-16 -t UTF-8 "$drive_c/snapshot.reg" | tr -d '\r' | awk -v RS= '!/^\[HKEY_CURRENT_USER\\Software\\Wine/'
    rm "$drive_c/snapshot.reg"
  done
}

must run_wine "$bin/make_demo_world.exe"
must run_wine msiexec /i "$(winepath -w "$msi")" /qn
expect_installed "$version"
expect_event_source "$version"
# The journal's folder is there before the first switch, so that no user can make it first.
[ -d "$drive_c/ProgramData/Flipdeck" ] || fail "the installation made no journal folder"

# The installed program opens on the demo world: its window carries its version, and its
# activity log shows the world's catalogue.
wine 'C:\Program Files\Flipdeck\Flipdeck.exe' >/dev/null 2>&1 </dev/null &
flipdeck=$!
title="Versionsumschaltung - $version"
for _ in $(seq 150); do
  xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\"" && break
  sleep 0.2
done
xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\"" || fail "the installed program showed no window \"$title\""
import -window root "$work/installed-flipdeck.png" || true
log="$HOME/Brivane/flipdeck.log"
grep -qF "Flipdeck $version started" "$log" || fail "the activity log has no start of Flipdeck $version"
grep -qF "CurrentVersionName: Kalvio 2.14.0.310" "$log" || fail "the activity log shows no demo catalogue"
kill "$flipdeck" 2>/dev/null || true
wait "$flipdeck" || true

# The installed console front runs the installed program and hands on its code and output.
status=0
wine 'C:\Program Files\Flipdeck\Flipdeck.com' /list >"$work/list.txt" 2>"$work/list-error.txt" </dev/null || status=$?
[ "$status" -eq 0 ] || fail "Flipdeck.com /list ended with $status: $(cat "$work/list-error.txt")"
grep -qF "* Kalvio 2.14.0.310" "$work/list.txt" || fail "Flipdeck.com /list printed: $(cat "$work/list.txt")"

snapshot >"$work/before.txt"
must run_wine msiexec /i "$(winepath -w "$newer_msi")" /qn
expect_installed "$newer_version"
expect_event_source "$newer_version"

must run_wine msiexec /x "$(winepath -w "$newer_msi")" /qn
[ ! -e "$install_dir" ] || fail "removal left $(find "$install_dir" | xargs)"
[ -z "$(shortcuts)" ] || fail "removal left the shortcut $(shortcuts)"
[ -z "$(flipdeck_entries)" ] || fail "removal left the entry $(flipdeck_entries)"
! wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Flipdeck' >/dev/null 2>&1 </dev/null ||
  fail "removal left the event source's key: $(event_source)"
# The journal's folder stays, as a journal in it may still be needed.
leftovers=$(find "$drive_c" \( -iname 'flipdeck*' -o -iname regsettings.dll \) ! -path "$drive_c/ProgramData/Flipdeck" -print)
[ -z "$leftovers" ] || fail "removal left $leftovers"
snapshot >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" >"$work/changes.txt" || fail "removal changed what it must leave alone:"$'\n'"$(head -40 "$work/changes.txt")"

echo "install, start, upgrade and removal: $failures failures"
finish
