#!/usr/bin/env bash
# Builds both architectures and runs every test of the x86-64 build under Wine.
# Works on a fresh Debian machine: it installs what is missing first.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

install_packages
build x86 -DFLIPDECK_TESTS=OFF
build x64
start_wine_session "$FLIPDECK_ROOT/build/x64/wineprefix" --fresh
cd "$FLIPDECK_ROOT/build/x64"
ctest --output-on-failure --timeout 120
