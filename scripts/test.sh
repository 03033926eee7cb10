#!/usr/bin/env bash
# Installs what is missing, builds the plain and the sanitizer configuration and
# runs every test of both (unit, GL and end-to-end) on a virtual display.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"

scripts/setup.sh

export ZN_DIALOG=no
# The tests start their own virtual display, so they neither depend on nor
# disturb a desktop session (ZN_FORCE_XVFB=0 runs them on $DISPLAY instead).
export ZN_FORCE_XVFB="${ZN_FORCE_XVFB:-1}"
# Software GL: Mesa's llvmpipe gives a 4.5 core context without a GPU.
export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
# The GL driver and the X libraries keep a few allocations for the life of the
# process; they are not ours.
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"

status=0
run() {
  local dir="$1"; shift
  echo "== building $dir"
  scripts/build.sh "$dir" "$@"
  echo "== testing $dir"
  scripts/with-display.sh ctest --test-dir "$dir" --output-on-failure -j2 || status=1
}

run build
run build-asan -DZN_SANITIZE=ON -DZN_BENCH=OFF

exit $status
