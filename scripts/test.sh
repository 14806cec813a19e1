#!/usr/bin/env bash
# Builds both architectures and runs every test of the x86-64 build under Wine.
# Works on a fresh Debian machine: it installs what is missing first.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report_failures
install_packages
# The tests read the MSI tables and the libraries' export tables and look at windows from here.
require_tools $(build_tools x86) $(build_tools x64) $(wine_tools) ctest msiinfo msiextract \
              x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump xwininfo import iconv openssl
build x86 -DFLIPDECK_TESTS=OFF
build x64
start_wine_session "$FLIPDECK_ROOT/build/x64/wineprefix" --fresh
cd "$FLIPDECK_ROOT/build/x64"
ctest --output-on-failure --timeout 120
