#!/usr/bin/env bash
# time-commands.sh [--dir DIR] [--rev REV] [COMMAND...]
#
# Times ./run, ./run-tests (or the commands named: run, run-tests, run-bench,
# run-package) as on a new machine: a Debian 12 made by debootstrap in DIR
# (default /var/tmp/edgetucker-fresh, outside the tree), holding only what a
# new machine brings for C++ (g++, cmake with ctest, GoogleTest, GoogleMock,
# Google Benchmark, git) and this machine's apt and dpkg settings, with an
# empty compiler cache.  The repository is cloned into it at REV (default
# HEAD; only committed work counts), then each command runs in a fresh copy of
# that machine, as root, without a display, its shell traced with time stamps.
#
# For each command it prints the wall time, the processor time and the load of
# this machine before and after, and the time of each step: apt-get update,
# apt-get install (download and unpack), cmake's configure step, the build and
# what runs after it.  On a machine shared with other work the wall time is
# the load's as much as the command's; the processor time is not.
#
# Needs root (debootstrap, chroot, mounts).  The base machine is made once
# (some minutes) and kept in DIR/base; the copies DIR/<command> are kept
# until the next run, with the command's log in DIR/<command>.log.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO="$(cd "$HERE/../.." && pwd)"
DIR=/var/tmp/edgetucker-fresh
REV=HEAD
while [ "$#" -gt 0 ]; do
  case "$1" in
    --dir) DIR="$2"; shift 2 ;;
    --rev) REV="$2"; shift 2 ;;
    -h|--help) sed -n '2,22p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) break ;;
  esac
done
[ "$#" -gt 0 ] || set -- run run-tests
[ "$(id -u)" -eq 0 ] || { echo "time-commands.sh: needs root (debootstrap, chroot)" >&2; exit 1; }
case "$DIR" in "$REPO"|"$REPO"/*) echo "time-commands.sh: DIR must lie outside the repository" >&2; exit 1 ;; esac
REV="$(git -C "$REPO" rev-parse --verify "$REV^{commit}")"

MOUNTED=()
unmount_all() {
  local i
  for ((i = ${#MOUNTED[@]} - 1; i >= 0; i--)); do umount -l "${MOUNTED[$i]}" 2>/dev/null || true; done
  MOUNTED=()
}
trap unmount_all EXIT
mount_machine() {
  local m="$1"
  mount -t proc proc "$m/proc"; MOUNTED+=("$m/proc")
  mount -t sysfs sys "$m/sys"; MOUNTED+=("$m/sys")
  mount --rbind /dev "$m/dev"; mount --make-rslave "$m/dev"; MOUNTED+=("$m/dev")
  mount -t tmpfs tmpfs "$m/tmp"; MOUNTED+=("$m/tmp")
}
in_machine() {  # in_machine MACHINE COMMAND: as a new login would, with nothing of this shell's environment
  chroot "$1" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive BASH_ENV=/root/.trace-stamps bash -c "$2"
}

BASE="$DIR/base"
if [ ! -e "$BASE/.ready" ]; then
  command -v debootstrap >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq debootstrap >/dev/null
  rm -rf "$BASE"; mkdir -p "$DIR"
  echo "Making the base machine in $BASE (debootstrap, then the C++ tools of a new machine)..."
  debootstrap --variant=minbase bookworm "$BASE" http://deb.debian.org/debian >"$DIR/debootstrap.log" 2>&1
  # This machine's package sources and apt and dpkg settings, as a new one has them.
  cp /etc/apt/sources.list.d/*.sources "$BASE/etc/apt/sources.list.d/" 2>/dev/null && : >"$BASE/etc/apt/sources.list"
  # (Not the hooks of packagekit and appstream, which a minimal system lacks.)
  for f in /etc/apt/apt.conf.d/*; do
    case "$(basename "$f")" in *packagekit*|*appstream*|*postgresql*) continue ;; esac
    cp "$f" "$BASE/etc/apt/apt.conf.d/"
  done
  cp /etc/dpkg/dpkg.cfg.d/* "$BASE/etc/dpkg/dpkg.cfg.d/" 2>/dev/null || true
  cp /etc/resolv.conf "$BASE/etc/resolv.conf"
  mount_machine "$BASE"
  in_machine "$BASE" 'apt-get update -qq && apt-get install -y -qq g++ cmake libgtest-dev libgmock-dev libbenchmark-dev git >/dev/null &&
                      apt-get clean && rm -rf /var/lib/apt/lists/*' >"$DIR/base.log" 2>&1
  unmount_all
  touch "$BASE/.ready"
fi

for cmd in "$@"; do
  m="$DIR/$cmd"
  rm -rf "$m"; cp -a "$BASE" "$m"
  # bash takes no PS4 from the environment as root: BASH_ENV sets it.  Each
  # traced line starts with the time and the processor time, in clock ticks,
  # of the traced shell and of the commands it has waited for (fields 14 to
  # 17 of its /proc/PID/stat): a step's processor time is the difference
  # between its first line and the next step's.
  cat >"$m/root/.trace-stamps" <<'STAMPS'
PS4='+ $EPOCHREALTIME $(read -r s </proc/$$/stat; set -- ${s##*) }; echo $((${12} + ${13} + ${14} + ${15}))) '
STAMPS
  git clone -q "$REPO" "$m/root/edgetucker"
  git -C "$m/root/edgetucker" checkout -q "$REV"
  mount_machine "$m"
  echo "== ./$cmd at $(git -C "$REPO" log --format='%h %s' -1 "$REV" | cut -c1-70)"
  load0="$(cut -d' ' -f1-3 /proc/loadavg)"
  start=$(date +%s.%N)
  rc=0
  /usr/bin/time -o "$DIR/$cmd.cpu" -f "%U %S" \
    chroot "$m" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb LANG=C.UTF-8 \
    BASH_ENV=/root/.trace-stamps bash -c "cd /root/edgetucker && bash -x ./$cmd" >"$DIR/$cmd.log" 2>&1 || rc=$?
  end=$(date +%s.%N)
  unmount_all
  read -r user sys < <(tail -n 1 "$DIR/$cmd.cpu")
  printf '   exit status %s; wall %.0f s; processor %.0f s (user %.0f, system %.0f); load %s before, %s after\n' \
    "$rc" "$(echo "$end - $start" | bc)" "$(echo "$user + $sys" | bc)" "$user" "$sys" "$load0" "$(cut -d' ' -f1-3 /proc/loadavg)"
  # The steps, from the traced shell's time stamps (the last step's processor
  # time is what the whole command used after its start).
  awk -v end="$end" -v cpu_end="$(echo "($user + $sys) * 100" | bc)" '
    /^\++ [0-9]+\.[0-9]+ [0-9]+ / {
      t = $2; ticks = $3; c = $0; sub(/^\++ [0-9.]+ [0-9]+ /, "", c)
      if (c ~ /^apt-get update/ && !u) { u = t; step[++n] = "apt-get update"; at[n] = t; cpu[n] = ticks }
      else if (c ~ /apt-get install/ && !i) { i = t; step[++n] = "apt-get install (download, unpack)"; at[n] = t; cpu[n] = ticks }
      else if (c ~ /^cmake -S/ && !cf) { cf = t; step[++n] = "cmake configure"; at[n] = t; cpu[n] = ticks }
      else if (c ~ /^cmake --build/ && !b) { b = t; step[++n] = "build"; at[n] = t; cpu[n] = ticks }
      else if (b && !r && c !~ /^(cmake|\[|export|cd|HOST=|mkdir|cp|source|set)/ && c ~ /(ide-host|ctest|cpack|bench)/) {
        r = t; step[++n] = "what runs after the build"; at[n] = t; cpu[n] = ticks }
    }
    END {
      at[n + 1] = end; cpu[n + 1] = cpu_end
      printf "     %-36s %7s %10s\n", "step", "wall", "processor"
      for (k = 1; k <= n; k++)
        printf "     %-36s %6.1f s %8.1f s\n", step[k], at[k + 1] - at[k], (cpu[k + 1] - cpu[k]) / 100
    }' "$DIR/$cmd.log"
done
