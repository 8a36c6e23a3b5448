#!/usr/bin/env bash
# fuzz-all.sh [SECONDS]
#
# Builds the fuzz targets (in build-fuzz/, with clang) and runs each of them in
# turn for SECONDS (default 600; 0 runs the first one until Ctrl+C).  Findings
# land in fuzz-findings/.  Example, an hour each: tests/fuzz/fuzz-all.sh 3600
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
seconds="${1:-600}"
cmake -S "$here" -B "$root/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$root/build-fuzz" -j "$(nproc)"
export FUZZ_ARTIFACTS="$root/fuzz-findings"
for target in profile_read profile_write settings_load; do
  echo "== fuzz_$target for ${seconds}s"
  "$here/run-fuzzer.sh" "$root/build-fuzz/fuzz_$target" "$here/corpus/$target" "$seconds"
done
