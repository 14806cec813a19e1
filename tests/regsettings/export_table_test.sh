#!/usr/bin/env bash
# export_table_test.sh <regsettings.h> <regsettings.def> <objdump> <regsettings.dll> [<objdump> <dll>]...
# The suite's programs find the library's functions by their plain names, and its 32-bit programs
# load the i686 build. So the .def file must list exactly the functions the header declares, and
# each built library must export exactly those names, undecorated (no _name or name@N), and
# nothing without a name.
set -euo pipefail
header=$1 def=$2
shift 2
source "$(dirname "$0")/../checks.sh"

# compare <what> <expected list> <actual list>: names one side has and the other lacks.
compare() {
  local missing extra
  missing=$(comm -23 <(echo "$2") <(echo "$3"))
  extra=$(comm -13 <(echo "$2") <(echo "$3"))
  [ -z "$missing" ] || fail "$1 lacks:" $missing
  [ -z "$extra" ] || fail "$1 has besides:" $extra
}

declared=$(grep -oE '__cdecl +[A-Za-z_][A-Za-z0-9_]* *\(' "$header" | sed -E 's/__cdecl +//; s/ *\($//' | sort)
listed=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | sed -E 's/;.*//' | awk 'NF {print $1}' | sort)
[ "$(echo "$declared" | wc -w)" -gt 0 ] || fail "no function declared in $header"
compare "$def" "$declared" "$listed"

while (($#)); do
  objdump=$1 dll=$2
  shift 2
  if [ ! -f "$dll" ]; then
    fail "$dll is missing (scripts/test.sh builds both architectures)"
    continue
  fi
  table=$("$objdump" -p "$dll")
  exported=$(echo "$table" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
             sed -nE 's/^\s*\[ *[0-9]+\] +(.*)$/\1/p' | sort)
  compare "$dll" "$declared" "$exported"
  # Every entry of the address table has a name: nothing is exported by ordinal alone.
  addresses=$(echo "$table" | sed -n '/^Export Address Table -- /,/^$/p' | grep -c '+base\[')
  [ "$addresses" -eq "$(echo "$exported" | wc -w)" ] ||
    fail "$dll exports $addresses functions but names only $(echo "$exported" | wc -w)"
  echo "$dll: $(echo "$exported" | wc -w) names checked"
done
finish
