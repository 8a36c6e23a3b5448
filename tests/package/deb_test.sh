#!/usr/bin/env bash
# deb_test.sh: the Debian package as a user gets it.  Builds it with
# ./run-package, checks it with lintian (no errors, none of its tags of
# missing hardening or of unstripped sections), installs it with
# `apt-get install ./dist/edgetucker_*.deb` (which must pull what it needs),
# runs /usr/bin/edgetucker-bridge --help, removes it and checks that nothing
# of it is left on the system.
#
# Needs root (apt-get); skipped (exit 77) otherwise, and when edgetucker is
# already installed on this machine (the test would remove it).
set -u
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root (CI runs as root)"
if dpkg-query -W -f='${Status}' edgetucker 2>/dev/null | grep -q "install ok installed"; then
  skip "edgetucker is installed on this machine already; this test would remove it"
fi
APT=(apt-get -o DPkg::Lock::Timeout=900 -y -q)
export DEBIAN_FRONTEND=noninteractive
command -v lintian >/dev/null || "${APT[@]}" install --no-install-recommends lintian >/dev/null ||
  fail "lintian could not be installed"

echo "== ./run-package"
DEB="$("$ROOT/run-package" | tail -n 1)" || fail "./run-package failed"
[ -f "$DEB" ] || fail "./run-package named no package file: $DEB"
case "$(basename "$DEB")" in
  edgetucker_*_"$(dpkg --print-architecture)".deb) ;;
  *) fail "the package file is named $(basename "$DEB"), not edgetucker_VERSION_ARCH.deb" ;;
esac
echo "$DEB"
dpkg-deb --info "$DEB" | sed -n '/Package:/,$p'

echo "== lintian"
# lintian warns when it runs as root; its findings are what counts.  Its
# informational tags are shown too: those of missing hardening (the programs
# are built with Debian's hardening flags) fail the test, but for
# hardening-no-fortify-functions, which lintian gives a file that calls no
# checked variant (__read_chk...): with _FORTIFY_SOURCE=2 the compiler calls
# one only where it cannot prove the bound at compile time, and the bridge's
# read(), poll() and memcpy() calls all have proven or unknowable bounds.
lintian --fail-on error --display-info --tag-display-limit 0 "$DEB" 2>&1 | grep -v "running with root privileges" |
  tee "$ROOT/dist/lintian.txt"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian found errors"
grep ": hardening-no-" "$ROOT/dist/lintian.txt" | grep -q -v ": hardening-no-fortify-functions " &&
  fail "built without some of Debian's hardening flags (above)"
grep -q ": binary-has-unneeded-section " "$ROOT/dist/lintian.txt" &&
  fail "the programs keep sections a package strips (above)"

echo "== apt-get install ./$(basename "$DEB")"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"; dpkg-query -W edgetucker >/dev/null 2>&1 && "${APT[@]}" purge edgetucker >/dev/null 2>&1' EXIT
cp "$DEB" "$WORK/"
(cd "$WORK" && "${APT[@]}" install "./$(basename "$DEB")") >"$WORK/apt.log" 2>&1 || {
  cat "$WORK/apt.log"
  fail "apt-get could not install the package"
}
dpkg -L edgetucker | sort >"$WORK/files"
for f in /usr/bin/edgetucker-bridge /usr/share/man/man1/edgetucker-bridge.1.gz \
         /usr/share/applications/edgetucker.desktop /usr/share/edgetucker/autostart/edgetucker-bridge.desktop \
         /usr/share/edgetucker/lazarus/edgetucker_ide.lpk /usr/share/doc/edgetucker/copyright; do
  [ -e "$f" ] || fail "$f is not installed"
done
grep -q '/edgetucker/libedgetucker.so$' "$WORK/files" || fail "the add-in library is not installed"
grep -q '/edgetucker/EDGETUCK.HLP$' "$WORK/files" || fail "the help file is not installed"

echo "== /usr/bin/edgetucker-bridge --help"
HELP="$(/usr/bin/edgetucker-bridge --help)" || fail "edgetucker-bridge --help failed"
grep -q -- "--install-lazarus-package" <<<"$HELP" || fail "--help does not name --install-lazarus-package"
echo "$HELP" | head -n 3
# Every library the installed programs need is found.
for f in $(grep -E '/edgetucker/(edgetucker-bridge|lib[^/]*\.so)$' "$WORK/files"); do
  if ldd "$f" | grep -q "not found"; then ldd "$f"; fail "$f misses libraries"; fi
done

echo "== apt-get remove edgetucker"
"${APT[@]}" remove edgetucker >"$WORK/apt.log" 2>&1 || { cat "$WORK/apt.log"; fail "apt-get remove failed"; }
left=()
while IFS= read -r f; do
  [ -d "$f" ] && [ ! -L "$f" ] && continue   # folders shared with others (/usr, /usr/bin, ...)
  [ -e "$f" ] || [ -L "$f" ] && left+=("$f")
done <"$WORK/files"
for d in /usr/share/edgetucker /usr/share/doc/edgetucker "/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/edgetucker"; do
  [ -e "$d" ] && left+=("$d")
done
[ "${#left[@]}" -eq 0 ] || fail "left behind after removal: ${left[*]}"
status="$(dpkg-query -W -f='${Status}' edgetucker 2>/dev/null)"
case "$status" in ""|"unknown ok not-installed"|"deinstall ok not-installed") ;; *) fail "dpkg still knows it: $status" ;; esac
echo "PASSED: built, lintian-clean, installed with its dependencies, ran, removed without a trace"
