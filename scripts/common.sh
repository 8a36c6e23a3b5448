# Shared by ./run, ./run-tests, ./run-bench and ./run-package: installs what the
# build needs, then configures and builds one build folder.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# What the programs need (./run builds only those).
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev
          libcanberra-dev fonts-liberation fonts-dejavu-core ccache
          # The X11 backend, the X11 pointer watch and the stand-in IDE's
          # real-display scripts
          libxcb1-dev libxcb-xinput-dev libxcb-xtest0-dev libxcb-shape0-dev)
# The tests and the benchmarks need GoogleTest (the benchmarks share the tests'
# X server helper, so they configure the tests too) and Google Benchmark.
BENCH_PACKAGES=(libgtest-dev libbenchmark-dev)
# ./run-package also needs dpkg-shlibdeps (dpkg-dev) and file, which CPack
# uses to find the programs and libraries to strip and to read.
PACKAGE_PACKAGES=(dpkg-dev file)
# ./run-tests also needs: GoogleTest, clang's libFuzzer for the fuzz targets (about 40 MB to
# download, 250 MB installed, once), and a real X server with window managers
# and another application for the tests on a real display, and Xorg's dummy
# driver with xrandr for the test on two monitors made without hardware.
TEST_PACKAGES=(libgtest-dev clang libclang-rt-dev
               xvfb xauth x11-utils xterm openbox icewm fluxbox xfwm4 metacity dbus-daemon
               xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
               # The desktops' window managers (tests/x11/wm.sh wm_packages):
               # KDE Plasma's, GNOME's, MATE's and Cinnamon's with the settings
               # schemas they abort without, XFCE's panel, i3, and dwm (a tiler
               # with no layout to ask)
               kwin-x11 mutter marco mate-settings-daemon-common muffin cinnamon-settings-daemon
               xfce4-panel xfconf i3-wm dwm
               # Wayland sessions: the compositors, their XWayland, and what the
               # tests' native Wayland peer is built from
               kwin-wayland weston sway xwayland qt6-wayland libwayland-dev libwayland-bin
               plasma-wayland-protocols
               # GNOME Shell itself (its top bar over the screen's top edge)
               gnome-shell)

# The build of ./run and ./run-package (the programs that are run and
# installed): no tests, no benchmarks; optimised, without debug information;
# Debian's hardening flags; a unity build with the Qt and standard headers
# precompiled once for all targets (measured from an empty cache on a new
# machine: ./run's build takes 112 s of processor time, where one file at a
# time with debug information took 300 s; README has the table).
LEAN_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DEDGETUCKER_TESTS=OFF -DEDGETUCKER_BENCH=OFF
              -DEDGETUCKER_PCH=ON -DCMAKE_UNITY_BUILD=ON -DEDGETUCKER_HARDEN=ON)
# ./run optimises less than the package: -O1 takes a tenth less processor
# time to build than -O2 and the demo's screenshots come out the same, byte
# for byte (a program that waits on the pointer and paints a few widgets
# spends its time in Qt, which is built with -O2 either way).
RUN_OPTIONS=("${LEAN_OPTIONS[@]}" "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O1 -DNDEBUG")
# The installed programs as Debian builds its own (-O2).
PACKAGE_OPTIONS=("${LEAN_OPTIONS[@]}" "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG")

ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    local install=($sudo env DEBIAN_FRONTEND=noninteractive apt-get install -o DPkg::Lock::Timeout=900
                   -y -qq --no-install-recommends "${missing[@]}")
    # When one of the package lists is less than a day old (apt gives a list
    # the time the mirror last changed it, or the time it was read) they are
    # used as they are: an update costs seconds.  When they are older,
    # missing, or name a file the mirror no longer has, they are read again
    # first.
    if [ -n "$(find /var/lib/apt/lists -maxdepth 1 -name '*_Packages*' -mmin -1440 -print -quit 2>/dev/null)" ] &&
       "${install[@]}" >/dev/null 2>&1; then
      return 0
    fi
    $sudo apt-get update -qq -o DPkg::Lock::Timeout=900
    "${install[@]}" >/dev/null
  fi
}

# build_tree DIR [cmake options...] [--target NAME...]
# Every "--target NAME" names a target to build (default: all of them); the
# other arguments go to cmake's configure step.
build_tree() {
  local dir="$1"; shift
  local options=() targets=()
  while [ "$#" -gt 0 ]; do
    if [ "$1" = --target ]; then
      targets+=(--target "$2"); shift 2
    else
      options+=("$1"); shift
    fi
  done
  # ccache makes a rebuild in a fresh clone (CI's, or a second build folder)
  # cost little more than its link steps.  Paths under the tree are hashed
  # relative to it, and the build folder's own path is not hashed, so that
  # another clone of the same sources hits the same cache entries.
  export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=1
  # Precompiled headers (EDGETUCKER_PCH) are cached only with these.
  export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:+$CCACHE_SLOPPINESS,}pch_defines,time_macros"
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache "${options[@]}" >/dev/null
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
