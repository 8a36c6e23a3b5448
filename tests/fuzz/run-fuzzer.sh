#!/usr/bin/env bash
# run-fuzzer.sh FUZZER SEEDS SECONDS [libFuzzer options...]
#
# Runs one fuzz target from the seed corpus SEEDS (kept in the repository) for
# SECONDS, or until stopped (Ctrl+C) when SECONDS is 0.  New inputs collect in a
# temporary corpus, so the kept seeds stay small.  A finding stops the run with
# a non-zero status and is saved as crash-* (or leak-*, timeout-*) in
# FUZZ_ARTIFACTS, the current folder when unset.
set -u
if [ "$#" -lt 3 ]; then
  echo "usage: run-fuzzer.sh FUZZER SEEDS SECONDS [libFuzzer options...]" >&2
  exit 2
fi
fuzzer="$1" seeds="$2" seconds="$3"
shift 3
# The targets write their files under TMPDIR; in memory the fsyncs cost nothing.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
work="$(mktemp -d "${TMPDIR:-/tmp}/fuzz-$(basename "$fuzzer")-XXXXXX")"
trap 'rm -rf "$work"' EXIT
artifacts="${FUZZ_ARTIFACTS:-$PWD}"
mkdir -p "$work/corpus" "$artifacts"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$@" "$work/corpus" "$seeds"
