#!/usr/bin/env bash
# One-stop set-up for a fresh Debian machine, as root or with sudo.
#   ./build.sh run    install what is missing, build, start the program against the simulated instrument
#   ./build.sh test   install what is missing, build, run the whole test suite through CTest
# Environment: BUILD_DIR (default build), CI=true turns warnings into errors.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-image-formats-plugins libjpeg62-turbo-dev
          fonts-dejavu-core libgtest-dev libgmock-dev libbenchmark-dev libcairo2-dev libfftw3-dev
          xvfb xauth)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

configure_and_build() {
  local werror=OFF
  [ "${CI:-}" = "true" ] && werror=ON
  cmake -S . -B "$BUILD_DIR" -G Ninja -DRT_WERROR=$werror ${CMAKE_EXTRA:-}
  cmake --build "$BUILD_DIR"
}

BUILD_DIR=${BUILD_DIR:-build}
mode=${1:-run}
install_missing
configure_and_build

case "$mode" in
  run)
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      echo "No display found: starting under Xvfb"
      exec xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/bin/RT7731_IV"
    fi
    exec "$BUILD_DIR/bin/RT7731_IV" ;;
  test)
    cd "$BUILD_DIR"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" ;;
  *)
    echo "usage: $0 run|test" >&2; exit 2 ;;
esac
