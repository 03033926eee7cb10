#!/usr/bin/env bash
# The web stage of the test command: builds the page and the engine's non-GL
# unit tests with emscripten (scripts/build-web.sh), runs the unit tests under
# node, the page's own helpers' tests, then the page in headless Chromium
# (web/test-page.js: the world, a flight, the benchmark, the screenshots, no GL
# error). With a native build beside it (build/Vendrapolis) the same benchmark
# runs natively too, for the frame time against the browser's.
#
#   scripts/test-web.sh [BUILD_DIR]        # default build-web
#
# Skips, saying so, only when emscripten cannot be installed on this machine;
# every other failure fails the stage.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
out="${1:-build-web}"
status=0

sudo_cmd=()
if [ "$(id -u)" != 0 ]; then sudo_cmd=(sudo); fi
install_packages() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1 ||
    { "${sudo_cmd[@]}" apt-get update -qq >/dev/null 2>&1 &&
      DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
}
if ! command -v emcc >/dev/null 2>&1 && ! install_packages emscripten; then
  echo "== web stage SKIPPED: emscripten cannot be installed on this machine (apt-get install emscripten failed)"
  exit 0
fi
if ! command -v chromium >/dev/null 2>&1 && ! install_packages chromium; then
  echo "web stage: chromium cannot be installed; the page cannot be tested" >&2
  exit 1
fi

step() {
  local name="$1"; shift
  local start=$(date +%s)
  echo "== web: $name"
  if "$@"; then
    echo "== web: $name took $(( $(date +%s) - start )) s"
  else
    echo "== web: $name FAILED"
    status=1
  fi
}

ZN_WEB_TESTS=1 ZN_WERROR=ON scripts/build-web.sh "$out" || { echo "== web: the build FAILED"; exit 1; }

# Left out under node: the thread suites (the web build has no threads), and
# the FileIO cases that capture standard output through file descriptors or set
# file times, neither of which emscripten's node file system does (times read
# back as 2^31 - 1; the capture never returns).
unit_tests() {
  local failed=0
  local filter='-Thread*:SpinLock*:*PerThread*:FileIO.*FileTime*:FileIO.IncludeCyclesAreRefusedNamingTheFiles'
  filter+=':FileIO.MissingIncludesNameBothFiles:FileIO.PrintStdoutFormats'
  filter+=':FileIO.IncludesThatClimbOutOfTheDataFolderAreRefused:FileIO.IncludeFanOutStopsAtTheTextLimit'
  for t in core files math; do
    # --no-experimental-fetch: node's fetch would be asked for the .wasm by
    # path, which it refuses; without it the runtime reads the file.
    (cd "$out/tests" && node --no-experimental-fetch "zn_test_$t.js" --gtest_brief=1 --gtest_filter="$filter") ||
      failed=1
  done
  return $failed
}
step "unit tests under node" unit_tests
step "the page's helpers" node web/test-helpers.js
step "the page in headless Chromium" node web/test-page.js "$out" "$out/screenshots"

if [ -x build/Vendrapolis ]; then
  echo "== web: the same benchmark natively, for comparison"
  ZN_DIALOG=no LIBGL_ALWAYS_SOFTWARE=1 scripts/with-display.sh build/Vendrapolis +benchmark 3 +quit 2>&1 |
    grep -E "^(benchmark: frames|Voxel world)" || true
fi
exit $status
