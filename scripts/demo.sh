#!/usr/bin/env bash
# Builds Flipdeck and opens it on a demo workstation: two Kalvio versions, a MERIDAN version and
# three CoDeSys versions in a Wine prefix of its own (build/x64/demo-prefix). With DISPLAY set the
# window opens there; without, on a private Xvfb, and a screenshot is saved to build/demo.png.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

report_failures
install_packages
require_tools $(build_tools x64) $(wine_tools) xwininfo import
build x64
bin="$FLIPDECK_ROOT/build/x64/bin"
shot="$FLIPDECK_ROOT/build/demo.png"
headless=0
[ -n "${DISPLAY:-}" ] || headless=1
start_wine_session "$FLIPDECK_ROOT/build/x64/demo-prefix"
wine "$bin/make_demo_world.exe"

if [ "$headless" = 0 ]; then
  wine "$bin/Flipdeck.exe"
  exit 0
fi
# A framed desktop, so that the screenshot shows the window as a user sees it.
wine explorer /desktop=demo,1024x768 "$bin/Flipdeck.exe" >/dev/null 2>&1 &
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q 'Versionsumschaltung' && break
  sleep 0.2
done
sleep 2
import -window root "$shot"
echo "Flipdeck is running on the demo workstation; screenshot: $shot"
