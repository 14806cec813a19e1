#!/usr/bin/env bash
# layers_test.sh <source root>: the folders form one line of layers.
#
#   base <- catalogue <- steps <- suite, codesys <- ui, cli <- app
#   regsettings stands on base alone; app uses it.
#
# A source file includes headers of its own folder and of folders below it only; a folder's CMake
# libraries link only libraries of folders below it. Folders on one level (suite and codesys, ui
# and cli) use neither each other. Every breach is named with its file and line.
set -euo pipefail
root=$1
source "$(dirname "$0")/../checks.sh"

declare -A rank=([res]=0 [base]=1 [catalogue]=2 [regsettings]=2 [steps]=3 [suite]=4 [codesys]=4
                 [ui]=5 [cli]=5 [app]=6)
declare -A library=([flipdeck_resources]=res [flipdeck_eng]=res)
for folder in "${!rank[@]}"; do library[flipdeck_$folder]=$folder; done

# may_use <folder> <other>: whether files of <folder> may use <other>.
may_use() {
  local folder=$1 other=$2
  [ "$folder" = "$other" ] && return 0
  [ "$folder" = regsettings ] && { [ "$other" = base ] || [ "$other" = res ]; return; }
  ((${rank[$other]} < ${rank[$folder]}))
}

for folder in "${!rank[@]}"; do
  [ -d "$root/$folder" ] || continue
  while IFS=: read -r file number used; do
    [ -n "${rank[$used]+set}" ] || continue
    may_use "$folder" "$used" || fail "${file#"$root"/}:$number: includes $used/, which $folder/ may not use"
  done < <(grep -rnE --include='*.cpp' --include='*.h' '^\s*#\s*include\s+"[^/"]+/' "$root/$folder" |
           sed -E 's/^([^:]+):([0-9]+):\s*#\s*include\s+"([^/"]+)\/.*/\1:\2:\3/')
  for script in "$root/$folder"/CMakeLists.txt; do
    [ -f "$script" ] || continue
    # target_link_libraries(<target> <libraries...>), each call on one line.
    while IFS=: read -r number call; do
      read -ra words <<<"${call#*(}"
      for word in "${words[@]:1}"; do
        word=${word%)}
        used=${library[$word]:-}
        [ -n "$used" ] || continue
        may_use "$folder" "$used" ||
          fail "$folder/CMakeLists.txt:$number: ${words[0]} links $word of $used/, which $folder/ may not use"
      done
    done < <(grep -n 'target_link_libraries(' "$script")
  done
done
[ "$failures" -eq 0 ] && echo "layers: every include and link runs downwards"
finish
