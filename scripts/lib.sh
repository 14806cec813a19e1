# Shared by scripts/test.sh and scripts/demo.sh: packages, builds and the Wine session.
# Source it; it defines functions only.

FLIPDECK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
FLIPDECK_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
                   googletest libz-mingw-w64-dev wine wine64 xvfb x11-utils imagemagick xdotool)

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

# build <x64|x86> [extra cmake arguments]: configures and builds build/<arch>.
build() {
  local arch=$1; shift
  local toolchain=x86_64
  [ "$arch" = x86 ] && toolchain=i686
  cmake -S "$FLIPDECK_ROOT" -B "$FLIPDECK_ROOT/build/$arch" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$FLIPDECK_ROOT/cmake/toolchain-$toolchain-mingw.cmake" "$@" >/dev/null
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
    local fd_file
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    FLIPDECK_XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
  fi
  if [ "${2:-}" = --fresh ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX" "$HOME"
    mkdir -p "$HOME"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -p >/dev/null 2>&1
  # The first program of a session starts Wine's own services, which live on and keep the
  # output of whoever started them open: let them start here, writing nowhere.
  wineboot >/dev/null 2>&1 </dev/null
}
