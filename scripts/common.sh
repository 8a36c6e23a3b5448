# Shared by ./run and ./run-tests: installs what the build needs, then
# configures and builds one build folder.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libbenchmark-dev
          libcanberra-dev fonts-liberation fonts-dejavu-core ccache
          # The X11 backend, the X11 pointer watch and the stand-in IDE's
          # real-display scripts
          libxcb1-dev libxcb-xinput-dev libxcb-xtest0-dev)
# ./run-tests also needs: clang's libFuzzer for the fuzz targets (about 40 MB to
# download, 250 MB installed, once), and a real X server with window managers
# and another application for the tests on a real display, and Xorg's dummy
# driver with xrandr for the test on two monitors made without hardware.
TEST_PACKAGES=(clang libclang-rt-dev
               xvfb xauth x11-utils xterm openbox icewm fluxbox xfwm4 metacity dbus-daemon
               xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
               # Wayland sessions: the compositors, their XWayland, and what the
               # tests' native Wayland peer is built from
               mutter kwin-wayland weston xwayland qt6-wayland libwayland-dev libwayland-bin
               plasma-wayland-protocols)

ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# build_tree DIR [cmake options...]
build_tree() {
  local dir="$1"; shift
  # ccache makes a rebuild in a fresh clone (CI's, or a second build folder)
  # cost little more than its link steps.  Paths under the tree are hashed
  # relative to it, and the build folder's own path is not hashed, so that
  # another clone of the same sources hits the same cache entries.
  export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=1
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
