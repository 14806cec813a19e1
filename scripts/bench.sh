#!/usr/bin/env bash
# Builds the x86-64 programs and runs every benchmark under Wine; each prints its own figures and
# answers non-zero when it misses its limit. Every benchmark runs; the script fails when one did.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report_failures
install_packages
require_tools $(build_tools x64) $(wine_tools)
build x64
start_wine_session "$FLIPDECK_ROOT/build/x64/wineprefix"
missed=()
for benchmark in "$FLIPDECK_ROOT"/build/x64/bin/*_benchmark.exe; do
  echo "== $(basename "$benchmark")"
  wine "$benchmark" || missed+=("$(basename "$benchmark")")
done
if ((${#missed[@]})); then
  echo "did not pass: ${missed[*]}" >&2
  exit 1
fi
