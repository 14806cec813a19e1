#!/usr/bin/env bash
# setup_scripts_test.sh <source root>: the scripts never end without saying why.
# Each script, run with a PATH that lacks one tool it calls, names that tool on stderr and ends
# with a non-zero status before it builds anything. The scripts run from a copy whose project
# root holds no sources: a check that let the missing tool through fails at the first build step
# instead of building and testing.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/scripts" "$work/scripts"

# A PATH of one folder that links every command of the real PATH.
path_dir="$work/path"
mkdir "$path_dir"
IFS=: read -ra dirs <<<"$PATH"
for dir in "${dirs[@]}"; do
  for command in "$dir"/*; do
    name=${command##*/}
    [ -x "$command" ] && [ ! -e "$path_dir/$name" ] && ln -s "$command" "$path_dir/$name"
  done
done

source "$(dirname "$0")/../checks.sh"
# expect_named <script> <tool>: runs the script without the tool.
expect_named() {
  local script=$1 tool=$2 status=0 target
  target=$(readlink "$path_dir/$tool") || { fail "$tool is not on the PATH to begin with"; return; }
  rm "$path_dir/$tool"
  PATH="$path_dir" bash "$work/scripts/$script" >"$work/out" 2>"$work/err" </dev/null || status=$?
  ln -s "$target" "$path_dir/$tool"
  # The check's line is all the script said on stderr: nothing ran after it.
  if [ "$status" -eq 0 ] || [ "$(wc -l <"$work/err")" -ne 1 ] ||
     ! grep -qE "^$script: missing tools:( [^ ]+)* $tool( |\$)" "$work/err"; then
    fail "$script without $tool ended with status $status; its stderr:"
    cat "$work/err"
  else
    echo "$script without $tool: $(cat "$work/err")"
  fi
}

expect_named test.sh wineboot
expect_named test.sh msiinfo
expect_named test.sh i686-w64-mingw32-objdump
expect_named demo.sh xwininfo
expect_named demo.sh make
expect_named bench.sh wixl
expect_named bench.sh osslsigncode
expect_named test.sh openssl

# A Wine prefix that cannot be made ends the session with what wineboot said.
fakes="$work/fakes"
mkdir "$fakes"
printf '#!/bin/sh\necho "wineboot: no room for the prefix"\nexit 3\n' >"$fakes/wineboot"
printf '#!/bin/sh\nexit 0\n' >"$fakes/wineserver"
chmod +x "$fakes/wineboot" "$fakes/wineserver"
status=0
PATH="$fakes:$PATH" DISPLAY=:0 bash -c 'set -euo pipefail; source "$1/scripts/lib.sh"; start_wine_session "$1/prefix"' \
  session "$work" >/dev/null 2>"$work/err" </dev/null || status=$?
if [ "$status" -eq 0 ] || ! grep -q 'no room for the prefix' "$work/err"; then
  fail "a failing wineboot ended the session with status $status; its stderr:"
  cat "$work/err"
fi
finish
