#!/usr/bin/env bash
# Installs what is missing, builds the plain and the sanitizer configuration and
# runs every test of both (unit, GL and end-to-end) on a virtual display.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"

scripts/setup.sh

status=0

# Formatting and the API reference first: they take seconds and say at once
# what a reviewer would. ZN_CHECK_FORMAT=0 skips the formatting check.
if [ "${ZN_CHECK_FORMAT:-1}" != 0 ]; then
  echo "== formatting"
  scripts/check-format.sh || status=1
fi
echo "== API reference"
docs_start=$(date +%s)
scripts/docs.sh build-docs || status=1
echo "== API reference took $(( $(date +%s) - docs_start )) s"

export ZN_DIALOG=no
# A program run by a test that does not choose a settings folder of its own
# keeps its settings here, never in the user's: the run neither reads a
# person's saved field of view nor leaves one behind.
test_config="$(mktemp -d)"
trap 'rm -rf "$test_config"' EXIT
export XDG_CONFIG_HOME="$test_config"
# The tests start their own virtual display, so they neither depend on nor
# disturb a desktop session (ZN_FORCE_XVFB=0 runs them on $DISPLAY instead).
export ZN_FORCE_XVFB="${ZN_FORCE_XVFB:-1}"
# Software GL: Mesa's llvmpipe gives a 4.5 core context without a GPU.
export LIBGL_ALWAYS_SOFTWARE=1
# intercept_tls_get_addr=0: the runtime's __tls_get_addr hook (GCC 12, clang 14)
# takes a library's thread-local block that starts 16 bytes into a page for one
# with an old glibc header and records the two words before it as its range; the
# leak check then scans that range at exit and crashes ("Tracer caught signal
# 11"), about once in 256 processes that load the GL driver. Without the hook the
# blocks are still reached through the thread's block list.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
# The GL driver and the X libraries keep a few allocations for the life of the
# process; they are not ours.
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"

run() {
  local dir="$1"; shift
  local start=$(date +%s)
  echo "== building $dir"
  scripts/build.sh "$dir" "$@"
  echo "== testing $dir"
  scripts/with-display.sh ctest --test-dir "$dir" --output-on-failure -j2 || status=1
  echo "== $dir took $(( $(date +%s) - start )) s"
}

run build -DZN_WERROR=ON

# A program outside the tree on the engine: through add_subdirectory and
# through the installed package (find_package), each run on the display.
echo "== consumer project"
consumer_start=$(date +%s)
scripts/test-consumer.sh -DZN_WERROR=ON || status=1
echo "== consumer project took $(( $(date +%s) - consumer_start )) s"

# One minute of random input against the program: resident memory, GL errors
# and the exit code (scripts/soak.sh MINUTES for a longer run).
echo "== soak, 60 s"
scripts/soak.sh 1 build/Vendrapolis || status=1

# The threaded parts (threads, spin lock, texture streaming, the parallel world
# build) once more under ThreadSanitizer; only the three test programs that
# exercise them are built.
echo "== building build-tsan"
tsan_start=$(date +%s)
cmake -S "$here" -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZN_SANITIZE_THREAD=ON -DZN_BENCH=OFF -DZN_WERROR=ON >/dev/null
cmake --build build-tsan -j"$(nproc)" --target zn_test_core zn_test_resources zn_test_app
echo "== testing build-tsan"
(
  cd build-tsan/tests
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:${TSAN_OPTIONS:-}"
  # Terminate cancels a thread inside a sleep; ThreadSanitizer loses track of
  # the locks taken while such a thread unwinds and reports races that are not
  # there, so that one test runs only in the other configurations.
  failed=0
  ./zn_test_core --gtest_filter='Thread*:SpinLock*:-Thread.Terminate*' || failed=1
  "$here/scripts/with-display.sh" ./zn_test_resources --gtest_filter='TextureStream*' || failed=1
  # The world built on every core against the single-threaded insert, the job
  # runner it uses, and a build that reports and stops while its helpers go on;
  # no GL is needed.
  ./zn_test_app --gtest_filter='VoxGrid.ThreadedBuild*:VoxGrid.ParallelFor*:VoxelTree.Progress*' || failed=1
  exit $failed
) || status=1
echo "== build-tsan took $(( $(date +%s) - tsan_start )) s"

run build-asan -DZN_SANITIZE=ON -DZN_BENCH=OFF -DZN_WERROR=ON

# Windows: the MinGW-w64 cross-build, its tests and the program under Wine.
echo "== Windows stage"
windows_start=$(date +%s)
scripts/test-windows.sh build-windows || status=1
echo "== Windows stage took $(( $(date +%s) - windows_start )) s"

# The web: the engine's unit tests under node and the page in headless
# Chromium (scripts/test-web.sh; it says so and skips only where emscripten
# cannot be installed).
echo "== web stage"
web_start=$(date +%s)
scripts/test-web.sh build-web || status=1
echo "== web stage took $(( $(date +%s) - web_start )) s"

exit $status
