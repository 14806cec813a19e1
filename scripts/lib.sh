# Shared by scripts/test.sh, scripts/demo.sh and scripts/bench.sh: packages, tools, builds and the
# Wine session. Source it; it defines functions only.

FLIPDECK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# What a bare Debian 12 lacks: make (CMake's generator), wine (wine64 alone puts no wine, wineboot
# or wineserver on the PATH), wixl and msitools (the MSI packages and their tables), osslsigncode
# (Authenticode signatures) and openssl (the signing test's throwaway certificate).
FLIPDECK_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
                   googletest libz-mingw-w64-dev wine wine64 xvfb x11-utils imagemagick xdotool
                   wixl msitools osslsigncode openssl)

# Makes every failing command that ends the script say so on stderr: under set -e a command that
# fails quietly (a missing program whose output goes nowhere) would otherwise end it without a word.
report_failures() {
  set -E
  trap 'echo "${0##*/}: \"$BASH_COMMAND\" failed with exit status $?" >&2' ERR
}

# Installs the Debian packages that are missing (a fresh machine has none of them).
install_packages() {
  local missing=()
  for package in "${FLIPDECK_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# require_tools <command>...: ends the script, naming each one on stderr, when any of the commands
# is not on the PATH.
require_tools() {
  local missing=()
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
  done
  if ((${#missing[@]})); then
    echo "$(basename "$0"): missing tools: ${missing[*]}" >&2
    exit 1
  fi
}

# toolchain <x64|x86>: the MinGW-w64 target of an architecture.
toolchain() {
  if [ "$1" = x86 ]; then echo i686; else echo x86_64; fi
}

# build_tools <x64|x86>: the commands that build calls for that architecture.
build_tools() {
  local target
  target="$(toolchain "$1")-w64-mingw32"
  echo cmake make "$target-gcc-posix" "$target-g++-posix" "$target-windres" wixl osslsigncode
}

# The commands that start_wine_session and the programs run in it call.
wine_tools() {
  echo wine wineboot wineserver winepath Xvfb
}

# build <x64|x86> [extra cmake arguments]: configures and builds build/<arch>.
build() {
  local arch=$1; shift
  cmake -S "$FLIPDECK_ROOT" -B "$FLIPDECK_ROOT/build/$arch" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$FLIPDECK_ROOT/cmake/toolchain-$(toolchain "$arch")-mingw.cmake" "$@" >/dev/null
  cmake --build "$FLIPDECK_ROOT/build/$arch" -j "$(nproc)"
}

# Stops everything start_wine_session started; installed as an EXIT trap.
stop_wine_session() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${FLIPDECK_XVFB_PID:-}" ] && kill "$FLIPDECK_XVFB_PID" >/dev/null 2>&1 || true
}

# start_wine_session <prefix> [--fresh]: a private X display, the Wine prefix (made anew with
# --fresh) and a persistent wineserver, so that each Windows program starts in a fraction of a second.
start_wine_session() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # Wine links the documents folder into the home folder: give each prefix its own, so that the
  # activity log of one run never meets another's.
  export HOME="$1-home"
  mkdir -p "$HOME"
  trap stop_wine_session EXIT
  if [ -z "${DISPLAY:-}" ] || [ "${2:-}" = --fresh ]; then
    local fd_file display xvfb_log="$1-xvfb.log"
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >"$xvfb_log" 2>&1 &
    FLIPDECK_XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
    display=$(head -n1 "$fd_file")
    rm -f "$fd_file"
    if [ -z "$display" ]; then
      echo "$(basename "$0"): Xvfb did not start; it said:" >&2
      cat "$xvfb_log" >&2
      exit 1
    fi
    export DISPLAY=":$display"
  fi
  if [ "${2:-}" = --fresh ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX" "$HOME"
    mkdir -p "$HOME"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix $WINEPREFIX"
    # Wine's output goes to a file (its services keep what they inherit open) and is shown
    # when the prefix could not be made.
    local boot_log="$1-boot.log"
    if ! wineboot -i >"$boot_log" 2>&1 </dev/null || ! wineserver -w || [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "$(basename "$0"): making the Wine prefix $WINEPREFIX failed; Wine said:" >&2
      cat "$boot_log" >&2
      exit 1
    fi
  fi
  wineserver -p >/dev/null 2>&1
  # The first program of a session starts Wine's own services, which live on and keep the
  # output of whoever started them open: let them start here, writing nowhere.
  wineboot >/dev/null 2>&1 </dev/null
}
