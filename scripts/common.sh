# Shared by ./run and ./run-tests: installs what the build needs, then
# configures and builds one build folder.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libbenchmark-dev
          libcanberra-dev fonts-liberation fonts-dejavu-core ccache libxcb1-dev)
# ./run-tests also needs: clang's libFuzzer for the fuzz targets (about 40 MB to
# download, 250 MB installed, once), and a real X server with window managers
# for the tests of the X11 backend.
TEST_PACKAGES=(clang libclang-rt-dev xvfb x11-utils openbox metacity dbus-daemon xterm)

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
  # cost little more than its link steps.
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache "$@" >/dev/null
  # Qt's code generation may miss headers that appeared since the folder was
  # last built; asking it to look again costs a second and saves a broken link.
  find "$dir" -path '*_autogen/timestamp' -delete 2>/dev/null || true
  cmake --build "$dir" -j "$(nproc)"
}
