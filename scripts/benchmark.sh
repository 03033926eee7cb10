#!/usr/bin/env bash
# Builds the program in build-benchmark/ (a Release configuration of its own, the
# program only, so no other script's build folder is reconfigured) and flies the program's fixed benchmark path for SECONDS (10 by
# default), then prints the frame statistics (frames, mean, median, 95th and 99th
# percentile frame times, frames per second). Without a display it runs on a
# virtual one with the software renderer. The script's exit status is the
# program's.
#
#   scripts/benchmark.sh [SECONDS]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-10}"
case "$seconds" in
  ''|*[!0-9.]*|*.*.*) echo "usage: scripts/benchmark.sh [SECONDS]" >&2; exit 2 ;;
esac

cd "$here"
scripts/setup.sh
# Only the program (and its data) is needed, not the tests; an optimised build of
# its own, so neither build/ nor build-demo/ changes configuration.
build="${ZN_BENCHMARK_BUILD:-build-benchmark}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZN_TESTS=OFF -DZN_BENCH=OFF >/dev/null
cmake --build "$build" --target Vendrapolis -j"$(nproc)"

cd "$build"
log="$(mktemp)"
# The figures are the defaults': a saved field of view or window size of the
# user's must not change them.
config="$(mktemp -d)"
trap 'rm -f "$log"; rm -rf "$config"' EXIT
export ZN_CONFIG_DIR="$config"
# The virtual display has no GPU: Mesa's software renderer draws.
[ -n "${DISPLAY:-}" ] || export LIBGL_ALWAYS_SOFTWARE=1
set +e
ZN_DIALOG=no ../scripts/with-display.sh ./Vendrapolis +benchmark "$seconds" +quit >"$log" 2>&1
status=$?
set -e
if ! grep -E "^benchmark: frames" "$log"; then
  cat "$log" >&2
  echo "benchmark: no statistics (exit code $status)" >&2
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
