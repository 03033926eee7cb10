#!/usr/bin/env bash
# Builds tests/consumer, a small program outside the tree, against the engine
# both ways another project can take it, and runs each on the (virtual) display:
#   1. add_subdirectory(ZNEngine) from the source tree;
#   2. find_package(ZNEngine 1.2 CONFIG REQUIRED) against a `cmake --install`
#      prefix in a temporary folder (the engine built and installed on its own).
# Each run must end with 0, print the console line and the drawn frame with the
# debug font loaded, and nothing "cannot be read".
#   scripts/test-consumer.sh [extra cmake args for every configure]
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
# Release (no debug info): the compiler cache then serves the second build the
# objects of the first.
cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=Release "$@")
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
jobs="${ZN_JOBS:-$(nproc)}"

run_consumer() {
  local name="$1" program="$2"
  local out
  out="$(cd "$(dirname "$program")" && ZN_DIALOG=no timeout 120 "$here/scripts/with-display.sh" "./$(basename "$program")" 2>&1)"
  local rc=$?
  echo "$out" | sed "s/^/  [$name] /"
  [ $rc -eq 0 ] || { echo "FAIL: $name: exit code $rc"; return 1; }
  grep -q "consumer: the console runs" <<<"$out" || { echo "FAIL: $name: the console line did not run"; return 1; }
  grep -q "consumer: frame drawn, debug font loaded" <<<"$out" || { echo "FAIL: $name: no frame with the debug font"; return 1; }
  if grep -q "cannot be read" <<<"$out"; then echo "FAIL: $name: a file could not be read"; return 1; fi
  echo "ok: $name"
}

echo "== consumer through add_subdirectory"
if cmake -S "$here/tests/consumer" -B "$work/sub" "${cmake_args[@]}" "${launcher[@]}" \
     -DZN_ENGINE_SOURCE="$here/ZNEngine" >"$work/sub.log" 2>&1 &&
   cmake --build "$work/sub" -j"$jobs" >>"$work/sub.log" 2>&1; then
  run_consumer add_subdirectory "$work/sub/zn_consumer" || status=1
else
  tail -30 "$work/sub.log"; echo "FAIL: the add_subdirectory build"; status=1
fi

echo "== consumer through find_package against an installed engine"
if cmake -S "$here/ZNEngine" -B "$work/engine" "${cmake_args[@]}" "${launcher[@]}" \
     -DCMAKE_INSTALL_PREFIX="$work/prefix" >"$work/engine.log" 2>&1 &&
   cmake --build "$work/engine" -j"$jobs" >>"$work/engine.log" 2>&1 &&
   cmake --install "$work/engine" >>"$work/engine.log" 2>&1 &&
   cmake -S "$here/tests/consumer" -B "$work/pkg" "${cmake_args[@]}" "${launcher[@]}" \
     -DCMAKE_PREFIX_PATH="$work/prefix" >"$work/pkg.log" 2>&1 &&
   cmake --build "$work/pkg" -j"$jobs" >>"$work/pkg.log" 2>&1; then
  grep -q "$work/prefix" "$work/pkg/CMakeCache.txt" || { echo "FAIL: the package was not taken from the prefix"; status=1; }
  run_consumer find_package "$work/pkg/zn_consumer" || status=1
else
  tail -30 "$work/engine.log" "$work/pkg.log" 2>/dev/null; echo "FAIL: the installed-package build"; status=1
fi
exit $status
