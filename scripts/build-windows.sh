#!/usr/bin/env bash
# Cross-builds the Windows program and its test programs with MinGW-w64:
#   scripts/build-windows.sh [build dir, default build-windows] [extra cmake args]
# Leaves <dir>/Vendrapolis.exe with Data/ beside it and <dir>/tests/*.exe; the
# programs need no DLLs beyond Windows' own. Runs under Wine (scripts/test.sh).
# Warnings are errors, as in the Linux CI build.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-build-windows}"
[ $# -gt 0 ] && shift
"$here/scripts/setup.sh"
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" -DZN_BENCH=OFF -DZN_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
